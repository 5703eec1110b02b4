#include "ui/caboutdlg.h"

#include "ui/appicon.h"
#include "ui/version.h"
#include "ui_caboutdlg.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    Ui::AboutDlg form;
    form.setupUi(this);
    form.aboutName->setText(QStringLiteral("Tarnwick " TARNWICK_RELEASE));
    form.aboutIcon->setPixmap(AppIcon().pixmap(32, 32));
    connect(form.aboutOk, &QPushButton::clicked, this, &QDialog::accept);
    // As small as its contents allow, and no smaller than the box it has always been.
    setFixedSize(sizeHint().expandedTo(QSize(340, 90)));
}
