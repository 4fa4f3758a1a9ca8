#include "zef_db_sink.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <cmath>
#include <limits>

#include "vexil/network_objects.h"
#include "zef_db_mgr.h"

namespace {

bool FitsFloat(double v)
{
  return std::isfinite(v) && std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max());
}

}  // namespace

CZefDBSink::CZefDBSink(CZefDBSinkHost *host, CZefDBMgr *mgr) : QDBusAbstractAdaptor(host), m_host(host), m_mgr(mgr)
{
}

void CZefDBSink::NoteCaller()
{
  if (m_host->calledFromDBus())
    m_mgr->NoteClient(m_host->message().service());
}

int CZefDBSink::Record(const QString &name, std::initializer_list<double> values, bool hasDepths, double startDepth,
                       double endDepth, bool connected, int connectTo)
{
  NoteCaller();
  bool ok = FitsFloat(startDepth) && FitsFloat(endDepth);
  for (double v : values)
    ok = ok && FitsFloat(v);
  if (!ok) {
    if (m_host->calledFromDBus())
      m_host->sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("A pipeline value is not a finite single-precision number."));
    return 0;
  }
  PipelineSegment seg;
  seg.name = name.toStdString();
  const double *v = values.begin();
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

int CZefDBSink::AddPipeline(const QString &sName, double fLength, double fDiameter, double fRoughness,
                            double fHeatTransCoeff, double fTemp)
{
  return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, false, 0, 0, false, 0);
}

int CZefDBSink::AddPipelineSE(const QString &sName, double fLength, double fDiameter, double fRoughness,
                              double fHeatTransCoeff, double fTemp, double fStartDepth, double fEndDepth)
{
  return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, true, fStartDepth, fEndDepth, false,
                0);
}

int CZefDBSink::AddConnectedPipeline(const QString &sName, double fLength, double fDiameter, double fRoughness,
                                     double fHeatTransCoeff, double fTemp, int lConnectToID)
{
  return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, false, 0, 0, true, lConnectToID);
}

int CZefDBSink::AddConnectedPipelineSE(const QString &sName, double fLength, double fDiameter, double fRoughness,
                                       double fHeatTransCoeff, double fTemp, double fStartDepth, double fEndDepth,
                                       int lConnectToID)
{
  return Record(sName, {fLength, fDiameter, fRoughness, fHeatTransCoeff, fTemp}, true, fStartDepth, fEndDepth, true,
                lConnectToID);
}

QString CZefDBSink::GetAppPath()
{
  NoteCaller();
  return AppPathFromModulePath(QCoreApplication::applicationFilePath());
}

double CZefDBSink::GetDefaultValues(double &pfRoughness, double &pfHeatTransCoeff, double &pfTemp)
{
  NoteCaller();
  pfRoughness = PIPELINE_DEFAULT_ROUGHNESS;
  pfHeatTransCoeff = PIPELINE_DEFAULT_HEAT_TRANS;
  pfTemp = PIPELINE_DEFAULT_AMB_TEMP;
  return PIPELINE_DEFAULT_DIAMETER;
}
