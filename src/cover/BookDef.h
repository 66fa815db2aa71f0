#pragma once
// The cover model in one include: book types, the cover document, face records, composition.

#include "cover/BookCover.h"
#include "cover/BookType.h"
#include "cover/Composition.h"
#include "cover/FaceShaping.h"
#include "cover/ImageInfo.h"
#include "cover/ImageViewInfo.h"
#include "cover/MissingFile.h"
#include "cover/Preview.h"
