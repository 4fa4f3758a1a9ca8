#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "message_box.h"
#include "zoom_dlg.h"

namespace {

// Runs the dialog from percent, lets script act on it, returns the result.
int runZoom(int percent, const std::function<void(CDialog*)>& script, int* zoomAfter) {
    CZoomDlg dlg;
    dlg.SetZoom(percent);
    CDialog::ModalHook old = CDialog::SetModalHook([&](CDialog* d) {
        d->show();
        script(d);
    });
    const int result = dlg.DoModal();
    CDialog::SetModalHook(old);
    *zoomAfter = dlg.GetZoom();
    return result;
}

QLineEdit* zoomEdit(CDialog* d) { return d->Item<QComboBox>(CZoomDlg::IDC_ZOOM)->lineEdit(); }

void typeInto(CDialog* d, const char* keys) {
    zoomEdit(d)->clear();
    QTest::keyClicks(zoomEdit(d), keys);
}

}  // namespace

TEST(ZoomDialog, OpensWithThePercentAndTheList) {
    int zoom = 0;
    QString shown;
    QStringList entries;
    runZoom(
        250,
        [&](CDialog* d) {
            shown = zoomEdit(d)->text();
            auto* combo = d->Item<QComboBox>(CZoomDlg::IDC_ZOOM);
            for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
        },
        &zoom);
    EXPECT_EQ(shown, "250");
    EXPECT_EQ(entries,
              QStringList({"10", "25", "50", "60", "70", "80", "90", "100", "110", "120", "150",
                           "175", "200", "250", "300", "400", "500", "800", "1000"}));
    EXPECT_EQ(zoom, 250);
}

TEST(ZoomDialog, TypedTextStopsAtTheFirstNonDigit) {
    const struct {
        const char* keys;
        const char* shown;
        int zoom;
    } cases[] = {
        {"12a", "12", 12}, {"5000", "5000", 5000}, {"7x9", "79", 79}, {"", "", 1}, {"abc", "", 1}};
    for (const auto& c : cases) {
        int zoom = 0;
        QString shown;
        const int result = runZoom(
            100,
            [&](CDialog* d) {
                typeInto(d, c.keys);
                shown = zoomEdit(d)->text();
                d->Item<QPushButton>(IDOK)->click();
            },
            &zoom);
        EXPECT_EQ(result, IDOK) << c.keys;
        EXPECT_EQ(shown, QString(c.shown)) << c.keys;
        EXPECT_EQ(zoom, c.zoom) << c.keys;  // not clamped to 10..1000
    }
}

TEST(ZoomDialog, ASixthDigitIsRefusedWithTheLengthMessage) {
    ScriptedMessageBoxes boxes;
    int zoom = 0;
    bool stayedOpen = false;
    const int result = runZoom(
        100,
        [&](CDialog* d) {
            typeInto(d, "123456");
            d->Item<QPushButton>(IDOK)->click();
            stayedOpen = !static_cast<CZoomDlg*>(d)->IsEnded();
            d->Item<QPushButton>(IDCANCEL)->click();
        },
        &zoom);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(boxes.Texts(), QStringList{"Enter no more than 5 characters."});
}

TEST(ZoomDialog, HundredPercentButtonClosesAsOk) {
    int zoom = 0;
    const int result = runZoom(
        400, [](CDialog* d) { d->Item<QPushButton>(CZoomDlg::IDC_ZOOM_100)->click(); }, &zoom);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(zoom, 100);
}
