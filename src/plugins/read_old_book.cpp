// The previous version's address book read for the program, in a process of
// its own: mdbtools' library may crash on a damaged file. Takes the file's
// path; writes the contacts to standard output as writeOldContacts does.
// Exit code 0 when read, 1 when the file is not a readable old book.
#include "core/Error.h"
#include "plugins/OldAddressBook.h"

#include <QFile>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    try {
        const QList<brio::Contact> contacts = brio::readJetAddressBook(QFile::decodeName(argv[1]));
        QFile out;
        return out.open(stdout, QIODevice::WriteOnly) && brio::writeOldContacts(out, contacts) && out.flush() ? 0
                                                                                                           : 1;
    } catch (const brio::Error &) {
        return 1;
    }
}
