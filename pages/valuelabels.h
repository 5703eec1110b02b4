// The reader's value codes as the pages' lists show them.
#pragma once

#include "protocol/valuecodes.h"

#include <QString>
#include <QStringList>
#include <optional>

template <typename E> QString LabelText(E value) {
    const std::string_view label = Label(value);
    return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
}

// Every entry of a kind, in list order.
template <typename E> QStringList LabelTexts() {
    QStringList texts;
    for (const ValueCode<E>& entry : Codes<E>())
        texts << LabelText(entry.value);
    return texts;
}

// The value a list text names, or nothing for typed text that names none.
template <typename E> std::optional<E> FromLabelText(const QString& text) {
    return FromLabel<E>(text.toStdString());
}
