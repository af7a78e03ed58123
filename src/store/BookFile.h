#pragma once

#include <QString>

namespace brio {

class Database;

// What lies at the address book's path, judged from its first bytes before
// anything opens it.
enum class BookFileKind {
    Missing,
    Empty,    // zero bytes: holds nothing, so it becomes a new book
    Folder,
    TooShort, // shorter than the smallest database
    Plain,    // begins as a plain database
    Other,    // an encrypted book, or bytes that cannot be told from one
};
BookFileKind inspectBookFile(const QString &path);

// Writes a new, empty address book at path (missing or zero bytes): built
// beside it and renamed into place, so that an interrupted start leaves no
// half-made book. Throws Error.
void createBook(const QString &path);

// Whether the open file holds the tables of an address book.
bool hasAddressBookTables(Database &db);

// Whether every page of the open file reads back as the engine wrote it.
bool isIntact(Database &db);

// Removes what a password change cut short leaves beside the book: the copy
// (plain text when the password was being removed) and its journals.
void removeChangeLeftovers(const QString &path);

} // namespace brio
