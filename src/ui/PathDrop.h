#pragma once
// Path fields that take a file dropped from the file manager: the field gets the file's path
// (a plain line edit would insert the file's URL as text).

class QLineEdit;

void AcceptPathDrops(QLineEdit* field);
