// tagwell: starts the window. The program takes no arguments of its own.
#include "platform/desktop_launcher.h"
#include "platform/system_clipboard.h"
#include "tagwell_version.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tagwell"_s);
    QApplication::setApplicationVersion(QStringLiteral(TAGWELL_VERSION));
    QGuiApplication::setDesktopFileName(u"org.example.Tagwell"_s);
    QApplication::setWindowIcon(QIcon(u":/icons/tagwell-32.png"_s));

    tagwell::SystemClipboard clipboard;
    tagwell::DesktopLauncher launcher;
    tagwell::Form1 window(clipboard, launcher);
    tagwell::connectLateFailures(window, clipboard, launcher);
    window.show();
    return QApplication::exec();
}
