#include "ui/ScreenReader.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSet>
#include <QWidget>

namespace brio {

QString withoutMnemonics(const QString &caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&')) {
            out += caption.at(i);
        } else if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&')) {
            out += QLatin1Char('&');
            ++i;
        }
    }
    return out;
}

void nameControlsForScreenReaders(QWidget &window)
{
    const auto name = [](QWidget *control, const QString &caption) {
        if (control->accessibleName().isEmpty() && caption.count(QLatin1Char('&')) > 1)
            control->setAccessibleName(withoutMnemonics(caption));
    };
    for (QAbstractButton *b : window.findChildren<QAbstractButton *>())
        name(b, b->text());
    for (QGroupBox *g : window.findChildren<QGroupBox *>())
        name(g, g->title());
    for (QLabel *l : window.findChildren<QLabel *>())
        name(l, l->text());
    // A list is read by its name only, not by the label standing above it.
    for (QLabel *l : window.findChildren<QLabel *>()) {
        auto *list = qobject_cast<QAbstractItemView *>(l->buddy());
        if (list && list->accessibleName().isEmpty()) {
            QString caption = withoutMnemonics(l->text()).trimmed();
            if (caption.endsWith(QLatin1Char(':')))
                caption.chop(1);
            list->setAccessibleName(caption);
        }
    }
    // On Linux Qt gives a drop-down list's value as its name ("Pref."), and
    // a screen reader finds its label only through a buddy label: one that
    // has none gets an unseen one, with the name the window gave it.
    QSet<QWidget *> labelled;
    for (QLabel *l : window.findChildren<QLabel *>())
        labelled.insert(l->buddy());
    for (QComboBox *combo : window.findChildren<QComboBox *>()) {
        if (labelled.contains(combo) || combo->accessibleName().isEmpty() || !combo->parentWidget())
            continue;
        auto *label = new QLabel(combo->accessibleName(), combo->parentWidget());
        label->setObjectName(combo->objectName() + QStringLiteral("_label"));
        label->setBuddy(combo);
        label->hide();
    }
}

} // namespace brio
