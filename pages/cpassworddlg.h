// The base of the three password dialogs, each laid out by its own form: masked boxes beside
// their labels, a note, OK and Cancel. OK accepts only when the derived dialog's check passes;
// otherwise it shows its message and the dialog stays open.
#pragma once

#include "protocol/frame.h"

#include <QDialog>
#include <QList>
#include <optional>

class QDialogButtonBox;
class QLineEdit;

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // The boxes of the dialog, in order.
    const QList<QLineEdit*>& Boxes() const { return m_boxes; }

protected:
    explicit CPasswordDlg(QWidget* parent) : QDialog(parent) {}
    // Takes the form's boxes, in order, and its OK and Cancel buttons.
    void SetUp(const QList<QLineEdit*>& boxes, QDialogButtonBox* buttons);
    // Reads the boxes and returns true to close the dialog with OK.
    virtual bool Check() = 0;
    // The typed text as exactly count bytes, or nothing.
    static std::optional<Bytes> ExactBytes(const QString& text, std::size_t count);

private:
    QList<QLineEdit*> m_boxes;
};
