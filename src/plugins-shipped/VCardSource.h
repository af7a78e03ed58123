#pragma once

#include "ImportRow.h"

#include <QIODevice>
#include <memory>

namespace brio::kit {

// The cards of a .vcf file of version 2.1, 3.0 or 4.0 (folded lines,
// quoted-printable, character sets, several cards per file), read a card at
// a time with libvformat: the file is never held whole. Properties longer
// than a kilobyte (photos, logos, sounds, keys) are skipped unread; past the
// limits of ImportRow.h the reading stops with an Error.
class VCardStream final
{
public:
    explicit VCardStream(QIODevice &file); // open for reading
    ~VCardStream();
    VCardStream(const VCardStream &) = delete;
    VCardStream &operator=(const VCardStream &) = delete;

    // About how many cards the file holds, from its size.
    qsizetype mostContacts() const;
    // False after the last card. The contact's texts may be views of the
    // stream's buffer, good until the next call. Throws Error when a card
    // cannot be read.
    bool next(ImportRow &contact);

private:
    struct Reading;
    std::unique_ptr<Reading> m_reading;
};

} // namespace brio::kit
