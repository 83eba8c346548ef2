#include <QApplication>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "shell/Impostazioni.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // Fixed at the allocator's default: a large answer (up to LimiteRisposta) then gets
    // memory of its own that goes back to the system when dropped. Left to move, the
    // threshold would rise to that size and the heap keep the memory for the whole run.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quotaro"));
    QApplication::setOrganizationName(QStringLiteral("Quotaro"));

    Form1 form1(TestoArgomenti(QApplication::arguments()));
    if (!form1.Form_Load())
        return 1;
    // An instance that went straight to its compact strip keeps the main window hidden.
    if (!(form1.HaFinestraRidotta() && form1.FinestraRidotta().isVisible()))
        form1.show();
    return app.exec();
}
