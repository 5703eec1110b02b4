#include "ui/controls.h"

#include "ui/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

QPushButton* MakeButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QRadioButton* MakeRadio(const QString& caption, const QString& name, QWidget* parent) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(name);
    return radio;
}

QCheckBox* MakeCheck(const QString& caption, const QString& name, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QComboBox* MakeList(const QString& name, QLabel* label, QWidget* parent, const QStringList& entries,
                    const QString& accessibleName) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(entries);
    if (label)
        label->setBuddy(list);
    list->setAccessibleName(!accessibleName.isEmpty() ? accessibleName
                            : label                   ? label->text()
                                                      : name);
    return list;
}

QLineEdit* MakeBox(const QString& name, QLabel* label, QWidget* parent,
                   const QString& accessibleName) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    if (label)
        label->setBuddy(box);
    box->setAccessibleName(!accessibleName.isEmpty() ? accessibleName
                           : label                   ? label->text()
                                                     : name);
    return box;
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
