#include "options_dialog.h"

#include "main_window.h"
#include "message_box.h"
#include "text_utils.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace tessel {

namespace {

// Division counts are 16-bit on the chart.
constexpr int kMaxDivisions = 32767;

// Nearest whole number, ties to even; nullopt-like -1 for counts that are not
// finite or outside 0..kMaxDivisions.
int DivisionCount(double ratio) {
    if (!std::isfinite(ratio)) return -1;
    const double rounded = std::nearbyint(ratio);  // default rounding: ties to even
    if (rounded < 0 || rounded > kMaxDivisions) return -1;
    return static_cast<int>(rounded);
}

}  // namespace

void CenterForm(QWidget* form, QWidget* parent) {
    if (form->isMinimized() || form->isMaximized()) return;
    QRect area;
    if (parent) {
        area = parent->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->geometry();
    } else {
        return;
    }
    const QSize size = form->frameGeometry().size();
    form->move(area.left() + (area.width() - size.width()) / 2,
               area.top() + (area.height() - size.height()) / 2);
}

frmOptions::frmOptions(frmMain* owner) : QDialog(owner), owner_(owner) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Format Axis"));
    auto* frames = new QHBoxLayout();
    const QString titles[2] = {QStringLiteral("Time Scale"), QStringLiteral("Value Scale")};
    const QString automatic[2] = {QStringLiteral("&Automatic scale"),
                                  QStringLiteral("A&utomatic scale")};
    const QString crosses[2] = {QStringLiteral("Value (Y) axis Crosses at:"),
                                QStringLiteral("Value (X) axis Crosses at:")};
    for (int i = 0; i < 2; ++i) {
        const QString suffix = QStringLiteral("_") + QString::number(i);
        auto* frame = new QGroupBox(titles[i], this);
        frame->setObjectName(QStringLiteral("fraScale") + suffix);
        auto* form = new QFormLayout(frame);
        optAutomatic[i] = new QCheckBox(automatic[i], frame);
        optAutomatic[i]->setObjectName(QStringLiteral("optAutomatic") + suffix);
        form->addRow(optAutomatic[i]);
        auto addBox = [&](QLineEdit*& box, const QString& name, const QString& caption) {
            box = new QLineEdit(frame);
            box->setObjectName(name + suffix);
            box->installEventFilter(this);
            form->addRow(caption, box);
            // Typing in a box of the frame clears its "Automatic scale".
            QCheckBox* check = optAutomatic[i];
            connect(box, &QLineEdit::textChanged, check, [check] { check->setChecked(false); });
        };
        addBox(txtMin[i], QStringLiteral("txtMin"), QStringLiteral("Minimum:"));
        addBox(txtMax[i], QStringLiteral("txtMax"), QStringLiteral("Maximum:"));
        addBox(txtMajor[i], QStringLiteral("txtMajor"), QStringLiteral("Major unit:"));
        addBox(txtMinor[i], QStringLiteral("txtMinor"), QStringLiteral("Minor unit:"));
        addBox(txtIntersection[i], QStringLiteral("txtIntersection"), crosses[i]);
        frames->addWidget(frame);
    }
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, [this] { onOk(); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::reject);
}

void frmOptions::Load() {
    for (int i = 0; i < 2; ++i) {
        const AxisState& axis = owner_->Axis(i);
        const AxisState& partner = owner_->Axis(1 - i);
        txtMin[i]->setText(PlainDecimal(axis.minimum));
        txtMax[i]->setText(PlainDecimal(axis.maximum));
        const double major =
            axis.majorDivision > 0 ? (axis.maximum - axis.minimum) / axis.majorDivision : 0.0;
        txtMajor[i]->setText(PlainDecimal(major));
        const double minor =
            axis.minorDivision > 0 ? Val(txtMajor[i]->text()) / axis.minorDivision : 0.0;
        txtMinor[i]->setText(PlainDecimal(minor));
        // Frame 0 shows where the value axis crosses (a time), frame 1 where the
        // time axis crosses (a value).
        txtIntersection[i]->setText(PlainDecimal(partner.intersection));
    }
    // Only now: filling the boxes has cleared the check boxes.
    for (int i = 0; i < 2; ++i) optAutomatic[i]->setChecked(owner_->Axis(i).autoScale);
}

bool frmOptions::onOk() {
    AxisState result[2] = {owner_->Axis(0), owner_->Axis(1)};
    const QString names[2] = {QStringLiteral("time"), QStringLiteral("value")};
    for (int i = 0; i < 2; ++i) {
        AxisState& axis = result[i];
        AxisState& partner = result[1 - i];
        if (optAutomatic[i]->isChecked()) {
            axis.autoScale = true;
            partner.autoIntersection = true;
            continue;
        }
        axis.autoScale = false;
        partner.autoIntersection = false;
        // A box left empty reads as 0 (and is refused below where 0 cannot
        // stand); text that is no number is refused as it is.
        const struct {
            QLineEdit* box;
            const char* what;
        } boxes[] = {{txtMin[i], "minimum"},
                     {txtMax[i], "maximum"},
                     {txtMajor[i], "major unit"},
                     {txtMinor[i], "minor unit"},
                     {txtIntersection[i], "crossing"}};
        for (const auto& b : boxes) {
            if (b.box->text().trimmed().isEmpty() || IsNumber(b.box->text())) continue;
            MsgBox(QStringLiteral("The ") + QLatin1String(b.what) + QStringLiteral(" of the ") +
                       names[i] + QStringLiteral(" scale must be a number, not \"") +
                       b.box->text().trimmed() + QStringLiteral("\"!"),
                   MB_ICONEXCLAMATION);
            b.box->setFocus();
            b.box->selectAll();
            return false;
        }
        axis.minimum = Val(txtMin[i]->text());
        axis.maximum = Val(txtMax[i]->text());
        const double major = Val(txtMajor[i]->text());
        const double minor = Val(txtMinor[i]->text());
        if (!(axis.maximum > axis.minimum)) {
            MsgBox(QStringLiteral("The maximum of the ") + names[i] +
                       QStringLiteral(" scale must be above its minimum!"),
                   MB_ICONEXCLAMATION);
            return false;
        }
        const int majorCount =
            major > 0 ? DivisionCount((axis.maximum - axis.minimum) / major) : -1;
        const int minorCount = minor > 0 ? DivisionCount(major / minor) : -1;
        if (majorCount < 1) {
            MsgBox(QStringLiteral("The major unit of the ") + names[i] +
                       QStringLiteral(" scale must divide it into 1 to 32767 parts!"),
                   MB_ICONEXCLAMATION);
            return false;
        }
        if (minorCount < 1) {
            MsgBox(QStringLiteral("The minor unit of the ") + names[i] +
                       QStringLiteral(" scale must divide the major unit into 1 to 32767 parts!"),
                   MB_ICONEXCLAMATION);
            return false;
        }
        axis.majorDivision = majorCount;
        axis.minorDivision = minorCount;
        partner.intersection = Val(txtIntersection[i]->text());
    }
    owner_->Axis(0) = result[0];
    owner_->Axis(1) = result[1];
    owner_->RefreshChart();
    accept();
    return true;
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tessel
