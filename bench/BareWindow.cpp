// The start-up benchmark's reference: the least a Qt Widgets program does to
// show a window; with an argument, a label showing it instead (the first text
// costs Qt its font database).
#include <QApplication>
#include <QLabel>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    std::unique_ptr<QWidget> window;
    if (argc > 1)
        window = std::make_unique<QLabel>(QString::fromLocal8Bit(argv[1]));
    else
        window = std::make_unique<QWidget>();
    window->show();
    return application.exec();
}
