// The sink object the pipeline-database server calls (interface
// com.holvik.Torval.IZefDBSink, described by IZefDBSink.xml).
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QString>

class CZefDBMgr;

// The object exported at the sink's path: the bus hands the calling
// message's context to it, and the adaptor below reads it from there.
class CZefDBSinkHost : public QObject, public QDBusContext {
    Q_OBJECT
};

// Records what the server delivers in its manager; nothing else happens until
// the user imports. Runs on the GUI thread (the bus delivers there).
class CZefDBSink : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.holvik.Torval.IZefDBSink")

public:
    CZefDBSink(CZefDBSinkHost* host, CZefDBMgr* mgr);

public slots:
    int AddPipeline(const QString& sName, double fLength, double fDiameter, double fRoughness,
                    double fHeatTransCoeff, double fTemp);
    int AddPipelineSE(const QString& sName, double fLength, double fDiameter, double fRoughness,
                      double fHeatTransCoeff, double fTemp, double fStartDepth, double fEndDepth);
    int AddConnectedPipeline(const QString& sName, double fLength, double fDiameter,
                             double fRoughness, double fHeatTransCoeff, double fTemp,
                             int lConnectToID);
    int AddConnectedPipelineSE(const QString& sName, double fLength, double fDiameter,
                               double fRoughness, double fHeatTransCoeff, double fTemp,
                               double fStartDepth, double fEndDepth, int lConnectToID);
    QString GetAppPath();
    double GetDefaultValues(double& pfRoughness, double& pfHeatTransCoeff, double& pfTemp);

private:
    // Narrows the reals, refusing (with an InvalidArgs reply) what a dialog
    // would refuse: a value that is not a normal single-precision number, a
    // length or diameter that is not positive, a negative roughness, heat
    // transfer coefficient or depth, a temperature below absolute zero, a name
    // longer than the label field; records the segment and returns its id, or
    // 0 when refused.
    int Record(const QString& name, std::initializer_list<double> values, bool hasDepths,
               double startDepth, double endDepth, bool connected, int connectTo);
    void NoteCaller();

    CZefDBSinkHost* m_host;
    CZefDBMgr* m_mgr;
};
