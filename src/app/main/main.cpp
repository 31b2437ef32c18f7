#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Twinsift");
    QMainWindow window;
    window.resize(1280, 800);
    window.show();
    return app.exec();
}
