#include "zoom_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "command_ids.h"

namespace {
// The run of ASCII digits the text starts with.
QString leadingDigits(const QString& text) {
    qsizetype n = 0;
    while (n < text.size() && text[n] >= QLatin1Char('0') && text[n] <= QLatin1Char('9')) ++n;
    return text.left(n);
}
}  // namespace

CZoomDlg::CZoomDlg(QWidget* parent) : CDialog(IDD, parent) {
    setWindowTitle(QStringLiteral("Zoom Diagram"));
    auto* grid = new QGridLayout(this);
    auto* caption = new QLabel(QStringLiteral("New &magnification setting:"), this);
    m_pCombo = Tag(new QComboBox(this), IDC_ZOOM);
    m_pCombo->setEditable(true);
    m_pCombo->setInsertPolicy(QComboBox::NoInsert);
    for (int percent :
         {10, 25, 50, 60, 70, 80, 90, 100, 110, 120, 150, 175, 200, 250, 300, 400, 500, 800, 1000})
        m_pCombo->addItem(QString::number(percent));
    caption->setBuddy(m_pCombo);
    grid->addWidget(caption, 0, 0, 1, 2);
    grid->addWidget(m_pCombo, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("%"), this), 1, 1);

    auto* ok = Tag(new QPushButton(QStringLiteral("OK"), this), IDOK);
    auto* hundred = Tag(new QPushButton(QStringLiteral("100 %"), this), IDC_ZOOM_100);
    auto* cancel = Tag(new QPushButton(QStringLiteral("Cancel"), this), IDCANCEL);
    ok->setDefault(true);
    grid->addWidget(ok, 0, 2);
    grid->addWidget(hundred, 1, 2);
    grid->addWidget(cancel, 2, 2);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(hundred, &QPushButton::clicked, this, [this] { OnZoom100(); });
    connect(m_pCombo->lineEdit(), &QLineEdit::textEdited, this, &CZoomDlg::OnEditUpdate);
}

void CZoomDlg::SetZoom(int percent) { m_strZoom = QString::number(percent); }

int CZoomDlg::GetZoom() const {
    // At most five digits pass the exchange; a longer text is read as far
    // as an int holds.
    return std::max(1, leadingDigits(m_strZoom).left(9).toInt());
}

void CZoomDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_ZOOM, m_strZoom);
    DDV_MaxChars(pDX, m_strZoom, 5);
}

void CZoomDlg::OnEditUpdate(const QString& text) {
    const QString digits = leadingDigits(text);
    if (digits != text) m_pCombo->lineEdit()->setText(digits);
}

void CZoomDlg::OnZoom100() {
    m_pCombo->setCurrentText(QStringLiteral("100"));
    OnOK();
}
