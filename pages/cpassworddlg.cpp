#include "pages/cpassworddlg.h"

#include "protocol/hexbytes.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

void CPasswordDlg::SetUp(const QList<QLineEdit*>& boxes, QDialogButtonBox* buttons) {
    m_boxes = boxes;
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
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
