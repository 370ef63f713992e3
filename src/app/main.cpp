#include <QApplication>

#include "app/startup.h"
#include "platform/lazyform.h"
#include "platform/memory.h"

int main(int argc, char** argv) {
    platform::KeepFreedMemoryForReuse();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runemill"));
    const int rc = app::Main(application);
    platform::DestroyAllForms();
    return rc;
}
