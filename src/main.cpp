#include <QApplication>

#include "shell/Impostazioni.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

int main(int argc, char *argv[])
{
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
