#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace brio {

// Tells every open window what another one changed, so that no window writes
// into the controls of another. Windows connect while shown.
class Notifier final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // A contact was saved (removed = false) or deleted; name and number as
    // stored now.
    void contactChanged(qint32 id, const QString &name, const QString &number, bool removed);
    // A group was created, renamed, deleted or its members changed.
    void groupsChanged();
    // Before groupsChanged, what changed in one group's members: these
    // contacts joined or left it, or (replaced) too many to name did.
    void membersAdded(qint64 groupId, const QList<qint64> &contacts);
    void membersRemoved(qint64 groupId, const QList<qint64> &contacts);
    void membersReplaced(qint64 groupId);
    // The message state was rebuilt from its tables (after a plug-in ran).
    void messageStateReloaded();
    // The contacts chosen for the message were replaced (recipient picker).
    void messageContactsChanged();
    // A send, or a deferred one handed over, was recorded in the history.
    void sendsRecorded();
};

} // namespace brio
