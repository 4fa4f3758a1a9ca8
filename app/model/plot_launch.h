// Result files beside a scenario and the start of the plot viewer on them.
//
// The results of a scenario "/data/net.zef" lie beside it under the same
// base path: "/data/net.$$$" is handed to the library, which writes
// "/data/net.plt" and "/data/net.log"; the program writes "/data/net.brn"
// (branch names for the viewer) and the near-field model "/data/net.dbs".
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct diagram_data;
class CReleaseModel;
class CResultFiles;

// The path up to its extension: cut at the last "." that follows the last
// "/" (a dot in a folder name is no extension), else the whole path.
QString ResultBasePath(const QString& scenarioPath);
// The base path followed by ext (".$$$", ".plt", ".brn", ...).
QString ResultFilePath(const QString& scenarioPath, const char* ext);

// True when the file exists and is not empty.
bool HasResultFile(const QString& path);

// Writes the branch-name file: "BranchNo Name", then one line per entry
// 0 .. NBR of the model's record (only 0 without one): the number, a blank
// and the name (GetBranchName, else "<branch-i>"). Lines end with "\n".
// The file replaces the previous one only when written whole (under the
// scenario's run lock, result_files.h), or is staged into outer's run to be
// put in place with the rest of it. False when it could not be written
// completely, or while another run writes the scenario's results; error then
// says why (the file, the step and the system's reason).
bool WriteBranchNameFile(const QString& path, const CReleaseModel& model, diagram_data* diagram,
                         CResultFiles* outer = nullptr, QString* error = nullptr);
// The same in two steps: the text is read from the model and the diagram on
// their thread; the file is written (and flushed by the commit) on any.
QByteArray BranchNameFileText(const CReleaseModel& model, diagram_data* diagram);
bool WriteBranchNameFile(const QString& path, const QByteArray& text, CResultFiles* outer,
                         QString* error);

// Starts the plot viewer as a separate process. The program replaces it by
// the real start; tests by one that records the calls.
class CPlotLauncher {
public:
    virtual ~CPlotLauncher() = default;
    virtual void Start(const QString& program, const QStringList& arguments) = 0;
};

// Starts the process without waiting for it; the result is not checked.
class CProcessLauncher : public CPlotLauncher {
public:
    void Start(const QString& program, const QStringList& arguments) override;
};

// The launcher in use (a CProcessLauncher unless one was installed). The
// caller keeps ownership of an installed launcher; null restores the default.
CPlotLauncher& PlotLauncher();
void SetPlotLauncher(CPlotLauncher* launcher);

// The viewer beside the program: the program directory + "Tessel".
QString PlotViewerPath();

// Writes the branch-name file beside the scenario, then starts the viewer
// with the result file (base path + ext) as one argument and "/unit=N" as
// the next (N = 1 Metric, 2 English (US), 0 otherwise, from displayUnits,
// the settings value).
void StartPlotViewer(const QString& scenarioPath, const char* ext, const CReleaseModel& model,
                     diagram_data* diagram, int displayUnits);
