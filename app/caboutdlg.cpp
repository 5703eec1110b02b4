#include "app/caboutdlg.h"

#include "app/appicon.h"
#include "app/version.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Tarnwick"));
    auto* grid = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(AppIcon().pixmap(32, 32));
    auto* name = new QLabel(QStringLiteral("Tarnwick " TARNWICK_RELEASE), this);
    name->setObjectName(QStringLiteral("aboutName"));
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1, Qt::AlignTop);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    setFixedSize(sizeHint().expandedTo(QSize(340, 90)));
}
