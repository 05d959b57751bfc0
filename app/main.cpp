// tagwell: starts the window. The program takes no arguments of its own.
#include "platform/platform.h"
#include "tagwell_version.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QIcon>

#include <memory>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tagwell"_s);
    QApplication::setApplicationVersion(QStringLiteral(TAGWELL_VERSION));
    QGuiApplication::setDesktopFileName(u"org.example.Tagwell"_s);
    QApplication::setWindowIcon(QIcon(u":/icons/tagwell-32.png"_s));

    tagwell::SystemClipboard clipboard;
    std::unique_ptr<tagwell::Form1> window;
    tagwell::DesktopLauncher launcher([&window](const QString& message) {
        if (window)
            window->reportFailure(message);
    });
    window = std::make_unique<tagwell::Form1>(clipboard, launcher);
    window->show();
    return QApplication::exec();
}
