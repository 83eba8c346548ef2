#include <QApplication>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "shell/Impostazioni.h"
#include "ui/Form1.h"

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // Fixed at the allocator's default: a large answer (up to the answer cap) then gets
    // memory of its own that goes back to the system when dropped. Left to move, the
    // threshold would rise to that size and the heap keep the memory for the whole run.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    platform::chooseWindowSystem();
    QApplication app(argc, argv);
    platform::forgetWindowSystem();
    QApplication::setApplicationName(QStringLiteral("Quotaro"));
    QApplication::setOrganizationName(QStringLiteral("Quotaro"));
    platform::loadQtTranslations();
    platform::prepareAppHome();

    // Off screen nobody could close a message box: errors go to stderr alone there.
    // The services go before the application object, the speech engine with them.
    platform::Desktop desktop(QGuiApplication::platformName() != QLatin1String("offscreen"));
    Form1 form1(desktop, TestoArgomenti(QApplication::arguments()));
    if (!form1.Form_Load())
        return 1;
    return app.exec();
}
