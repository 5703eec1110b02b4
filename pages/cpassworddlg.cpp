#include "pages/cpassworddlg.h"

#include "protocol/hexbytes.h"
#include "ui/controls.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CPasswordDlg::CPasswordDlg(const QString& caption, const QStringList& labels,
                           const QStringList& names, const QString& note, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < labels.size(); ++i) {
        auto* label = new QLabel(labels[i], this);
        QLineEdit* box = MakeBox(names[i], label, this);
        box->setEchoMode(QLineEdit::Password);
        grid->addWidget(label, i, 0);
        grid->addWidget(box, i, 1);
        m_boxes << box;
    }
    auto* noteLabel = new QLabel(note, this);
    noteLabel->setObjectName(QStringLiteral("note"));
    grid->addWidget(noteLabel, static_cast<int>(labels.size()), 0, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    grid->addWidget(buttons, static_cast<int>(labels.size()) + 1, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Check())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<Bytes> CPasswordDlg::ExactBytes(const QString& text, std::size_t count) {
    auto bytes = HexToBytes(text.toStdString(), count);
    if (!bytes || bytes->size() != count)
        return std::nullopt;
    return bytes;
}
