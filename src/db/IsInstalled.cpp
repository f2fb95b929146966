#include "IsInstalled.h"

#include "Ado.h"
#include "ODBCProvider.h"
#include "UserDialogue.h"

namespace quorvane::db {

void CheckAccessInstalled(UserDialogue& dialogue)
{
    bool providerFound = false;
    try {
        providerFound = CheckProvider(dialogue);
    } catch (...) {
    }
    if (!providerFound)
        return;

    std::unique_ptr<Connection> connection;
    try {
        connection = objectFactory().createConnection(kConnectionProgId);
    } catch (...) {
    }
    if (!connection) {
        try {
            dialogue.showMessage(QString::fromLatin1(kAccessNotInstalledMessage));
        } catch (...) {
        }
    }
}

} // namespace quorvane::db
