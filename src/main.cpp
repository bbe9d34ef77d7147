#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenvale"));
    QTextStream(stdout) << "Brenvale: the main window is not built yet; "
                           "this build runs the start-up sequence only.\n";
    return 0;
}
