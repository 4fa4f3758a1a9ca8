#include "nearfield_task.h"

void CNearFieldTask::Run() {
    m_model.Run({[this](int percent) { ReportProgress(percent); }, CancelFlag()});
}

NearfieldReport MakeNearfieldReport(const CNearFieldModel& model, bool prepared) {
    const NearFieldSetup& setup = model.Setup();
    NearfieldReport report;
    report.prepared = prepared;
    report.waterTemp = setup.water_temperature;
    report.ulvOutput = setup.option_Ulv5;
    report.year = setup.start_year;
    report.month = setup.start_month;
    report.day = setup.start_day;
    report.hour = setup.start_hour;
    report.minute = setup.start_minute;
    report.hasResult = model.HasResult();
    report.boilingZoneRadius = model.ResultValue();
    report.warning = model.Warning();
    return report;
}
