// Program entry of Tavlo Generator. The main window is being built; for now an empty window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(" Velsor's Tavlo Generator");
    window.show();
    return app.exec();
}
