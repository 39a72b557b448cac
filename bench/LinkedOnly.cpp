// A reference for the command line's start-up: a program linked with Qt
// Widgets, as zurezive is, that returns before touching anything of Qt. What
// it takes is what loading Qt's GUI libraries costs.
#include <QApplication>

int main(int argc, char *argv[])
{
    // Never true: only keeps the libraries linked.
    if (argc > 1000) {
        QApplication application(argc, argv);
        return application.exec();
    }
    return 0;
}
