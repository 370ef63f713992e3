#include <QApplication>

#include "app/startup.h"
#include "platform/lazyform.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runemill"));
    const int rc = app::Main(application);
    platform::DestroyAllForms();
    return rc;
}
