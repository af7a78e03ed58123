#pragma once

#include "SendFixture.h"

#include <QList>
#include <QString>

class QRandomGenerator;

namespace brio::bench {

constexpr int kSendContacts = 100000;
extern const QString kSendText;

double median(QList<double> values);

// "+39333" and seven digits: the numbers of the benchmark address books.
QString benchNumber(int i);

// "Surname Name 12345" drawn from common Italian names, so that lists sort
// as a real book does.
QString randomContactName(QRandomGenerator &random);

// kSendContacts contacts, one transaction.
void fillAddressBook(Database &db);

// Fills the address book and sends the text to all of it through the
// fixture's gateway; milliseconds of the send. Ends the program when the
// send does not go through.
double timeWholeBookSend(test::SendFixture &f, const char *figure);

} // namespace brio::bench
