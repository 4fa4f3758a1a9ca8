// Format Axis: the time scale (frame 0) and the value scale (frame 1), each
// automatic or with minimum, maximum, major and minor unit, and where the
// other axis crosses.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tessel {

class frmMain;

// Centres `form` over `parent` (on the screen without one); a minimised or
// maximised form stays where it is.
void CenterForm(QWidget* form, QWidget* parent = nullptr);

class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(frmMain* owner);

    // Fills both frames from the chart's axes.
    void Load();
    // Applies both frames and closes; a refused entry leaves the window open
    // and the chart unchanged (false).
    bool onOk();

    QCheckBox* optAutomatic[2] = {};
    QLineEdit* txtMin[2] = {};
    QLineEdit* txtMax[2] = {};
    QLineEdit* txtMajor[2] = {};
    QLineEdit* txtMinor[2] = {};
    QLineEdit* txtIntersection[2] = {};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmMain* owner_;
};

}  // namespace tessel
