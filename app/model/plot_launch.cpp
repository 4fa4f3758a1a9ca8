#include "plot_launch.h"

#include "nearfield_model.h"
#include "release_model.h"
#include "result_files.h"
#include "system_settings.h"
#include "units.h"

#include "message_ids.h"
#include "string_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <cstring>

// One rule for every result file of a scenario, the near-field model's.
QString ResultBasePath(const QString& scenarioPath) {
    return CNearFieldModel::MakeBaseName(scenarioPath);
}

QString ResultFilePath(const QString& scenarioPath, const char* ext) {
    return ResultBasePath(scenarioPath) + QLatin1String(ext);
}

bool HasResultFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile() && info.size() > 0;
}

QByteArray BranchNameFileText(const CReleaseModel& model, diagram_data* diagram) {
    QByteArray text("BranchNo Name\n");
    const int count = model.GetBranchCount();
    for (int i = 0; i <= count; ++i) {
        QString name;
        if (!model.GetBranchName(diagram, i, name)) name = QStringLiteral("<branch-%1>").arg(i);
        text += QByteArray::number(i) + ' ' + name.toUtf8() + '\n';
    }
    return text;
}

bool WriteBranchNameFile(const QString& path, const CReleaseModel& model, diagram_data* diagram,
                         CResultFiles* outer, QString* error) {
    return WriteBranchNameFile(path, BranchNameFileText(model, diagram), outer, error);
}

bool WriteBranchNameFile(const QString& path, const QByteArray& text, CResultFiles* outer,
                         QString* error) {
    // Written aside and put in place whole, under the scenario's run lock.
    CResultFiles files(ResultBasePath(path), outer);
    const auto failed = [&](const char* step, int code) {
        if (error)
            *error = AfxLoadString(IDS_BRANCH_NAMES_NOT_WRITTEN)
                         .arg(QStringLiteral("%1: %2 failed: %3")
                                  .arg(QDir::toNativeSeparators(path), QLatin1String(step),
                                       QString::fromLocal8Bit(std::strerror(code))));
        return false;
    };
    if (!files.IsLocked()) {
        if (error) *error = files.Error();
        return false;
    }
    FILE* f = std::fopen(QFile::encodeName(files.StagedPath(path)).constData(), "w");
    if (!f) return failed("create", errno);
    const bool ok = std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), f) ==
                        static_cast<size_t>(text.size()) &&
                    std::fflush(f) == 0;
    const int writeError = errno;
    if (std::fclose(f) != 0 && ok) return failed("write", errno);
    if (!ok) return failed("write", writeError);
    if (!files.Commit({QStringLiteral(".brn")})) {
        if (error) *error = files.Error();
        return false;
    }
    return true;
}

void CProcessLauncher::Start(const QString& program, const QStringList& arguments) {
    QProcess::startDetached(program, arguments);
}

namespace {
CPlotLauncher* g_launcher = nullptr;
}

CPlotLauncher& PlotLauncher() {
    static CProcessLauncher processLauncher;
    return g_launcher ? *g_launcher : processLauncher;
}

void SetPlotLauncher(CPlotLauncher* launcher) { g_launcher = launcher; }

QString PlotViewerPath() {
    const CSystemSettings* settings = AppSettings();
    const QString dir = settings ? settings->GetProgramDir() : QStringLiteral("./");
    return dir + QStringLiteral("Tessel");
}

void StartPlotViewer(const QString& scenarioPath, const char* ext, const CReleaseModel& model,
                     diagram_data* diagram, int displayUnits) {
    // A branch-name file that cannot be written only costs the viewer its
    // names; the viewer starts all the same.
    WriteBranchNameFile(ResultFilePath(scenarioPath, ".brn"), model, diagram);
    const QString unitSwitch = QStringLiteral("/unit=%1").arg(DisplayUnitIndex(displayUnits));
    PlotLauncher().Start(PlotViewerPath(), {ResultFilePath(scenarioPath, ext), unitSwitch});
}
