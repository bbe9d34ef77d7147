#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stderr) << "brenvale-cli: not built yet\n";
    return 2;
}
