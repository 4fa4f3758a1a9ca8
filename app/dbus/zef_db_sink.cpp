#include "zef_db_sink.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include "field_bounds.h"
#include "message_ids.h"
#include "string_table.h"
#include "vexil/network_objects.h"
#include "zef_db_mgr.h"

namespace {

// What the Pipeline and PipeJoin dialogs accept (field_bounds.h), in the
// internal units the database delivers.
struct SinkField {
    const char* name;
    const char* key;  // quantity key of the unit tables
};

constexpr SinkField kLength{"length", "LENGTH"};
constexpr SinkField kDiameter{"diameter", "DIAMETER"};
constexpr SinkField kRoughness{"roughness", "ROUGHNESS"};
constexpr SinkField kHeatTrans{"heat transfer coefficient", "HEATTRANS"};
constexpr SinkField kTemp{"temperature", "TEMP"};
constexpr SinkField kStartDepth{"start depth", "DEPTH"};
constexpr SinkField kEndDepth{"end depth", "DEPTH"};

// The longest label the label field takes (its edit's limit).
constexpr qsizetype kMaxLabelLength = 32767;

// Why the value is refused, or an empty text.
QString Refusal(const SinkField& field, double v) {
    if (IsAcceptableValue(field.key, v)) return QString();
    const QString name = QLatin1String(field.name);
    const QString value = QString::number(v, 'g', 9);
    if (!IsRepresentableValue(field.key, v))
        return AfxFormatString2(IDS_SINK_NOT_A_NUMBER, name, value);
    switch (BoundOfQuantity(field.key)) {
        case FieldBound::Positive:
            return AfxFormatString2(IDS_SINK_NOT_ABOVE_ZERO, name, value);
        case FieldBound::AboveAbsoluteZero:
            return AfxFormatString2(IDS_SINK_BELOW_LIMIT, name, value)
                .replace(QStringLiteral("%3"), QString::number(ABSOLUTE_ZERO_CELSIUS));
        default:
            return AfxFormatString2(IDS_SINK_BELOW_LIMIT, name, value)
                .replace(QStringLiteral("%3"), QStringLiteral("0"));
    }
}

}  // namespace

CZefDBSink::CZefDBSink(CZefDBSinkHost* host, CZefDBMgr* mgr)
    : QDBusAbstractAdaptor(host), m_host(host), m_mgr(mgr) {}

void CZefDBSink::NoteCaller() {
    if (m_host->calledFromDBus()) m_mgr->NoteClient(m_host->message().service());
}

int CZefDBSink::Record(const QString& name, std::initializer_list<double> values, bool hasDepths,
                       double startDepth, double endDepth, bool connected, int connectTo) {
    NoteCaller();
    const SinkField* fields[] = {&kLength, &kDiameter, &kRoughness, &kHeatTrans, &kTemp};
    QString refusal;
    if (name.size() > kMaxLabelLength)
        refusal = AfxFormatString1(IDS_SINK_NAME_TOO_LONG, QString::number(kMaxLabelLength));
    const double* v = values.begin();
    for (size_t i = 0; i < values.size() && refusal.isEmpty(); i++)
        refusal = Refusal(*fields[i], v[i]);
    if (hasDepths && refusal.isEmpty()) refusal = Refusal(kStartDepth, startDepth);
    if (hasDepths && refusal.isEmpty()) refusal = Refusal(kEndDepth, endDepth);
    if (!refusal.isEmpty()) {
        if (m_host->calledFromDBus()) m_host->sendErrorReply(QDBusError::InvalidArgs, refusal);
        return 0;
    }
    PipelineSegment seg;
    seg.name = name.toStdString();
    seg.length = static_cast<float>(v[0]);
    seg.diameter = static_cast<float>(v[1]);
    seg.roughness = static_cast<float>(v[2]);
    seg.heatTransCoeff = static_cast<float>(v[3]);
    seg.temp = static_cast<float>(v[4]);
    seg.hasDepths = hasDepths;
    seg.startDepth = hasDepths ? static_cast<float>(startDepth) : 0.0f;
    seg.endDepth = hasDepths ? static_cast<float>(endDepth) : 0.0f;
    seg.connected = connected;
    seg.connectToId = connected ? connectTo : 0;
    return m_mgr->RecordSegment(std::move(seg));
}

int CZefDBSink::AddPipeline(const QString& sName, double fLength, double fDiameter,
                            double fRoughness, double fHeatTransCoeff, double fTemp) {
    return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, false, 0, 0,
                  false, 0);
}

int CZefDBSink::AddPipelineSE(const QString& sName, double fLength, double fDiameter,
                              double fRoughness, double fHeatTransCoeff, double fTemp,
                              double fStartDepth, double fEndDepth) {
    return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, true,
                  fStartDepth, fEndDepth, false, 0);
}

int CZefDBSink::AddConnectedPipeline(const QString& sName, double fLength, double fDiameter,
                                     double fRoughness, double fHeatTransCoeff, double fTemp,
                                     int lConnectToID) {
    return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, false, 0, 0,
                  true, lConnectToID);
}

int CZefDBSink::AddConnectedPipelineSE(const QString& sName, double fLength, double fDiameter,
                                       double fRoughness, double fHeatTransCoeff, double fTemp,
                                       double fStartDepth, double fEndDepth, int lConnectToID) {
    return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, true,
                  fStartDepth, fEndDepth, true, lConnectToID);
}

QString CZefDBSink::GetAppPath() {
    NoteCaller();
    return AppPathFromModulePath(QCoreApplication::applicationFilePath());
}

double CZefDBSink::GetDefaultValues(double& pfRoughness, double& pfHeatTransCoeff, double& pfTemp) {
    NoteCaller();
    pfRoughness = PIPELINE_DEFAULT_ROUGHNESS;
    pfHeatTransCoeff = PIPELINE_DEFAULT_HEAT_TRANS;
    pfTemp = PIPELINE_DEFAULT_AMB_TEMP;
    return PIPELINE_DEFAULT_DIAMETER;
}
