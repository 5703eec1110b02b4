#include "widgets/controls.h"

#include "widgets/messagebox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>

namespace {

// A label's text as a name: no mnemonic marker, no line breaks, no trailing colon.
QString LabelName(const QLabel* label) {
    QString text;
    const QString raw = label->text();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == QLatin1Char('&') && i + 1 < raw.size())
            ++i;
        text += raw[i];
    }
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A)))
        text.chop(1);
    return text.trimmed();
}

// Qt reads a drop-down list's name on Linux as its current text (screen readers there take the
// label from the buddy relation), so two lists showing the same entry read alike and an empty
// list reads as nothing. A list with a name of its own reads by that name, its text the value;
// one without reads as Qt reads it.
class CNamedListAccessible : public QAccessibleWidget {
public:
    explicit CNamedListAccessible(QComboBox* list)
        : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        const auto* list = static_cast<const QComboBox*>(widget());
        switch (t) {
        case QAccessible::Name:
            return list->accessibleName().isEmpty() ? list->currentText() : list->accessibleName();
        case QAccessible::Value:
            return list->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

// Every list: Qt asks for a list's interface once, while the list is still being built and has
// no name yet, and keeps the answer.
QAccessibleInterface* NamedListAccessible(const QString& className, QObject* object) {
    (void)className;
    auto* list = qobject_cast<QComboBox*>(object);
    return list ? new CNamedListAccessible(list) : nullptr;
}

} // namespace

void InstallListAccessibility() {
    QAccessible::installFactory(NamedListAccessible);
}

namespace {

// Controls a person tabs to: they take keyboard focus themselves, not through a proxy (the edit
// field of a drop-down list is its list's proxy).
QList<QWidget*> FocusControls(QWidget* root) {
    QList<QWidget*> controls;
    for (QWidget* widget : root->findChildren<QWidget*>())
        if ((widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !widget->focusProxy() &&
            !widget->isWindow())
            controls << widget;
    return controls;
}

QString ReadName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

QString GroupTitle(QWidget* widget, const QWidget* root) {
    for (QWidget* up = widget->parentWidget(); up && up != root; up = up->parentWidget())
        if (auto* group = qobject_cast<QGroupBox*>(up);
            group && !group->title().trimmed().isEmpty())
            return group->title().trimmed();
    return QString();
}

// The mnemonic letter of a caption, lower case, or a null character for none.
QChar MnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toLower();
        ++i;
    }
    return QChar();
}

bool IsMnemonicLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

// Letters taken in root's window by what is shown outside root: the menu titles and the
// buttons of the rest of the window (a page hidden behind another tab takes none).
QSet<QChar> TakenMnemonics(QWidget* root) {
    QSet<QChar> taken;
    QWidget* window = root->window();
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (QAction* action : bar->actions())
            if (QChar c = MnemonicOf(action->text()); !c.isNull())
                taken << c;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (root->isAncestorOf(button) || !button->isVisibleTo(window))
            continue;
        if (QChar c = MnemonicOf(button->text()); !c.isNull())
            taken << c;
    }
    return taken;
}

// Puts a mnemonic on the first letter of a word that is free, else on any free letter.
void GiveMnemonic(QAbstractButton* button, QSet<QChar>& taken) {
    const QString caption = button->text();
    if (caption.contains(QLatin1Char('&'))) {
        if (QChar c = MnemonicOf(caption); !c.isNull())
            taken << c;
        return;
    }
    qsizetype at = -1;
    for (int pass = 0; pass < 2 && at < 0; ++pass) {
        for (qsizetype i = 0; i < caption.size(); ++i) {
            const bool wordStart = i == 0 || caption[i - 1] == QLatin1Char(' ');
            if ((pass == 0 && !wordStart) || !IsMnemonicLetter(caption[i]) ||
                taken.contains(caption[i].toLower()))
                continue;
            at = i;
            break;
        }
    }
    if (at < 0)
        return;
    taken << caption[at].toLower();
    // The accessible name stays the caption: Qt reads it without the marker.
    button->setText(caption.left(at) + QLatin1Char('&') + caption.mid(at));
}

} // namespace

void FinishControls(QWidget* root) {
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (buddy && buddy->accessibleName().isEmpty())
            buddy->setAccessibleName(LabelName(label));
    }

    const QList<QWidget*> controls = FocusControls(root);
    QMap<QString, QList<QWidget*>> byName;
    for (QWidget* control : controls)
        byName[ReadName(control)] << control;
    for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
        if (it.key().isEmpty() || it.value().size() < 2)
            continue;
        for (QWidget* control : it.value()) {
            const QString group = GroupTitle(control, root);
            if (!group.isEmpty() && group != it.key())
                control->setAccessibleName(group + QStringLiteral(" \u2014 ") + it.key());
        }
    }

    QSet<QChar> taken = TakenMnemonics(root);
    for (QPushButton* button : root->findChildren<QPushButton*>())
        GiveMnemonic(button, taken);
}

bool ExchangeInt(bool fromControls, QLineEdit* box, int& member) {
    if (!fromControls) {
        box->setText(QString::number(member));
        return true;
    }
    bool ok = false;
    const int value = box->text().trimmed().toInt(&ok, 10);
    if (!ok) {
        ShowMessage(box->window(), QStringLiteral("请键入一个整数。"));
        box->setFocus();
        box->selectAll();
        return false;
    }
    member = value;
    return true;
}

int IntOrZero(const QLineEdit* box) {
    bool ok = false;
    const int value = box->text().trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

void ExchangeRadio(bool fromControls, const QList<QRadioButton*>& radios, int& member) {
    if (fromControls) {
        member = -1;
        for (int i = 0; i < radios.size(); ++i)
            if (radios[i]->isChecked())
                member = i;
        return;
    }
    for (int i = 0; i < radios.size(); ++i) {
        // Exclusive groups refuse to uncheck their checked button; lift that for "none".
        const bool exclusive = radios[i]->autoExclusive();
        radios[i]->setAutoExclusive(false);
        radios[i]->setChecked(i == member);
        radios[i]->setAutoExclusive(exclusive);
    }
}

void ExchangeCheck(bool fromControls, QCheckBox* box, int& member) {
    if (fromControls)
        member = box->isChecked() ? 1 : 0;
    else
        box->setChecked(member != 0);
}

QString ListText(const QComboBox* list) {
    const int index = list->currentIndex();
    if (index >= 0 && list->itemText(index) == list->currentText())
        return list->itemText(index);
    return list->currentText();
}

void SelectListText(QComboBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly);
    list->setCurrentIndex(index);
    if (index < 0)
        list->setEditText(QString());
}
