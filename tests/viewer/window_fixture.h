// A main window on a hand-made result file, for the window tests.
#pragma once

#include "main_window.h"
#include "test_support.h"

#include <QComboBox>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <memory>

namespace tessel::test {

class WindowTest : public ScratchTest {
protected:
    // Opens `content` as `name` (with a branch-name file) in a new window.
    frmMain& Open(const QString& name, const QByteArray& content,
                  const QString& unitSwitch = QStringLiteral("/unit=1")) {
        const QString path = Write(name, content);
        if (name.endsWith(QStringLiteral(".plt")))
            Write(name.left(name.size() - 3) + "brn", BranchNames({"Outlet", "Riser"}));
        window_ = std::make_unique<frmMain>();
        window_->SetProgramDir(ProgramDir());
        EXPECT_TRUE(window_->Start({path, unitSwitch}));
        return *window_;
    }

    QComboBox* List() const {
        return window_->findChild<QComboBox*>(QStringLiteral("lstVariable"));
    }

    std::vector<QPointF> Points() const {
        const QList<QPointF> points = window_->Series()->points();
        return {points.begin(), points.end()};
    }

    std::unique_ptr<frmMain> window_;
};

// A discharge result with a pressure and a temperature column; `lastTime`
// is the time of the second row.
inline QByteArray PressureAndTemperature(double lastTime) {
    return "           Time           PT             TM\n"
           "           S              N/M2           C\n"
           "           -             1S/BR1         1S/BR1\n"
           "   -11400.   0.1E+07   5.0\n"
           "    0.0000   0.2E+07   20.0\n"
           "    " +
           QByteArray::number(lastTime) + "   689475.7   100.0\n";
}

}  // namespace tessel::test
