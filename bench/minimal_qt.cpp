// The start-up yardstick: a minimal Qt Widgets program that shows one window holding a label and a text box
// (text on screen loads the font database, as the editor's window does) and quits once it is shown.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("Master file:"));
    layout->addWidget(new QLineEdit("config/master.xml"));
    window.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
