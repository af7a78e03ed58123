#pragma once

#include "SendFixture.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

namespace brio::bench {

constexpr int kSendContacts = 100000;
extern const QString kSendText;

double median(QList<double> values);

// "+39333" and seven digits: the numbers of the benchmark address books.
QString benchNumber(int i);

// `count` contacts named "Surname Name 12345" from common Italian names, so
// that lists sort as a real book does, each in one of twenty cities; numbers
// benchNumber(0...). One transaction.
void fillNamedAddressBook(Database &db, int count, quint32 seed);
// `groups` groups "Gruppo 0000"... of `members` contacts drawn at random
// among the first `contacts` (a contact is in a group once). One transaction.
void fillRandomGroups(Database &db, int groups, int members, int contacts, quint32 seed);

double ms(const QElapsedTimer &t);
// Milliseconds of one run of a program fed `input`; its standard output goes
// to `out` when given. Ends the benchmark, naming `figure`, when it fails.
double timeProgram(const char *figure, const QString &program, const QStringList &args, const QByteArray &input,
                   QByteArray *out = nullptr);
// The offscreen platform unless the caller chose one.
void useOffscreenByDefault();

// kSendContacts contacts, one transaction.
void fillAddressBook(Database &db);

// Fills the address book and sends the text to all of it through the
// fixture's gateway; milliseconds of the send. Ends the program when the
// send does not go through.
double timeWholeBookSend(test::SendFixture &f, const char *figure);

} // namespace brio::bench
