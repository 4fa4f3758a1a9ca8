// The near-field run as a worker task, and the near-field lines of the report
// taken from a model.
#pragma once

#include "nearfield_model.h"
#include "report_text.h"
#include "worker_task.h"

// Runs a prepared near-field model on the worker thread: the model's progress
// goes through the task to its window, the run's cancel flag stops it, and a
// failed result code reaches the window as the task's failure (an identifier).
class CNearFieldTask : public CWorkerTask {
public:
    explicit CNearFieldTask(CNearFieldModel& model) : m_model(model) {}
    void Run() override;
    CNearFieldModel& Model() { return m_model; }

private:
    CNearFieldModel& m_model;
};

// The report's near-field record of a model; prepared says whether its result
// belongs to the current discharge result.
NearfieldReport MakeNearfieldReport(const CNearFieldModel& model, bool prepared);
