// Shared pieces of the near-field tests: a plume whose release comes from a
// table in the test, and a scratch folder.
#pragma once

#include "bubble_plume.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

// (Time s, MASSLK kg, QGLEAK m3/s) rows as the result file would give them.
using ReleaseRows = std::vector<std::array<float, 3>>;

class RowsPlume : public CBubblePlume {
public:
    ReleaseRows rows;
    void LoadRelease(float) override {
        ClearSamples();
        for (const auto& r : rows) AppendReleaseRow(r[0], r[1], r[2]);
    }
};

// Turns the Ulv/5 file on with a start date (UTC).
inline void SetUlv5Start(NearFieldSetup& s, int year, int month, int day, int hour, int minute) {
    s.option_Ulv5 = true;
    s.start_year = static_cast<uint16_t>(year);
    s.start_month = static_cast<uint8_t>(month);
    s.start_day = static_cast<uint8_t>(day);
    s.start_hour = static_cast<uint8_t>(hour);
    s.start_minute = static_cast<uint8_t>(minute);
}

// A scenario path in this process's own scratch folder: a run takes a lock
// beside its scenario, so test processes running side by side must not share one.
inline QString ScratchScenario() {
    static QTemporaryDir dir;
    return dir.filePath("x.zef");
}

inline DischargeSummary SomeSummary() {
    DischargeSummary s{};
    s.time = 83.0f;
    s.total_mass = 500.0f;
    return s;
}

inline std::string ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
}

inline void WriteAll(const QString& path, const std::string& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
}

// Names of the files in a folder, sorted.
inline QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Runs a model as the worker task would and returns the message identifier it
// throws, 0 when it ends quietly.
// How a run failed (id 0: it did not).
inline ValidationError RunForFailure(CNearFieldModel& model,
                                     const NearFieldRunControl& control = {}) {
    try {
        model.Run(control);
    } catch (const ValidationError& e) {
        return e;
    }
    return ValidationError{0, 0};
}

inline int RunForMessage(CNearFieldModel& model, const NearFieldRunControl& control = {}) {
    return static_cast<int>(RunForFailure(model, control).id);
}
