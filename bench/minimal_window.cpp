// The yardstick for start-up: the least Qt window with a text box.
#include <QApplication>
#include <QPlainTextEdit>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QPlainTextEdit edit;
    edit.resize(504, 368);
    edit.setWindowTitle(QStringLiteral("minimal"));
    edit.show();
    return QApplication::exec();
}
