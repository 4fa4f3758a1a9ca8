// The pipeline-database link: the sink that the external database program
// calls to hand over pipeline segments, the registration of that sink with
// the database server, and the import of the recorded segments into a
// scenario's diagram.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vexil/geometry.h"

struct connection_point;
struct diagram_data;
struct diagram_object;
class QDBusServiceWatcher;
class QObject;
class QString;
class QTimer;

// One segment as the database delivered it. Reals in single precision, in
// the database's metric units (m, m, m, W/m2K, degC, depths in m).
struct PipelineSegment {
    std::string name;  // UTF-8
    float length = 0;
    float diameter = 0;
    float roughness = 0;
    float heatTransCoeff = 0;
    float temp = 0;
    bool hasDepths = false;
    float startDepth = 0;
    float endDepth = 0;
    bool connected = false;
    int32_t connectToId = 0;  // the segment this one continues from
    int32_t segId = 0;        // this segment's own id
};

// Where an import starts and how it lays the segments out (diagram units).
constexpr double DB_IMPORT_OFFSET_X = 3.0;
constexpr double DB_IMPORT_OFFSET_Y = 1.0;
constexpr double DB_IMPORT_ROW_STEP = 1.0;     // between unconnected segments
constexpr double DB_IMPORT_PIPE_WIDTH = 2.0;   // horizontal extent of a placed segment
constexpr double DB_IMPORT_BRANCH_DROP = 1.0;  // vertical extent of a second or third branch

// The text a failed import shows.
inline constexpr char DB_IMPORT_FAILED[] = "Import FAILED.";

// Owns the sink, its registration with the database server and the list of
// segments recorded since the last successful import. One instance, theDBMgr;
// it holds no Qt object until StartDatabaseManager (or ExportSink) runs, and
// StopDatabaseManager releases them again, so the global outlives the
// application object safely.
//
// Lifetime rule of an automation start (the windowless Orvane that D-Bus
// activation starts): the program keeps running while it has a client or an
// open document. A client is the database server the sink is registered
// with, or any bus peer that has called a sink method, for as long as that
// peer stays connected to the bus. When the last client leaves, the
// last-client handler runs (the application quits there unless a document is
// open). A start that sees no client at all within the idle grace time, or
// loses the bus, calls the handler as well.
class CZefDBMgr {
public:
    CZefDBMgr() = default;
    ~CZefDBMgr();
    CZefDBMgr(const CZefDBMgr&) = delete;
    CZefDBMgr& operator=(const CZefDBMgr&) = delete;

    // Start-up: export the sink and register it with the database server; a
    // missing bus or server is ignored (the import stays disabled).
    void StartDatabaseManager();
    // Shutdown: unregister from the server, withdraw the sink from the bus and
    // release every Qt object. Runs before the application object goes.
    void StopDatabaseManager();

    // Registers the sink with the database server found under its well-known
    // bus name (starting it by activation when it has an activation file).
    // Nothing when already connected; false leaves the manager unconnected.
    bool ConnectDatabase();
    // Ends the registration (when connected).
    void DisconnectDatabase();
    // Whether the sink is registered with a server that is still on the bus.
    bool IsDatabaseAvailable() const { return m_connected; }
    bool IsShuttingDown() const { return m_shutdown; }

    // Puts the sink object on the session bus (once); false without a bus.
    bool ExportSink();
    bool IsSinkExported() const { return m_sinkHost != nullptr; }

    // ---- Recording (the sink's methods) ----

    // Appends a segment, giving it the next id (1 for the first); returns it.
    int32_t RecordSegment(PipelineSegment seg);
    const std::vector<PipelineSegment>& Segments() const { return m_segments; }
    void ClearSegments() { m_segments.clear(); }

    // ---- Import ----

    // Places every recorded segment in the diagram as one editing
    // transaction: first the unconnected ones, one below the other from
    // start + (3, 1); then each connected one behind a PipeJoin at the end of
    // the segment it continues from. False, with the diagram untouched, when
    // a connected segment's target is not among the recorded ones (or they
    // form a loop). Success clears the list; `placed` receives the number of
    // Pipelines added.
    bool BuildNetworkFromDatabase(diagram_data* data, const Point& start, int* placed = nullptr);
    // A Pipeline from `start` to `end` with the segment's name and values, on
    // the active layer; its start is connected to the nearest connection point
    // of `preceding` when one is given.
    static diagram_object* AddPipelineObject(diagram_data* data, const PipelineSegment& seg,
                                             const Point& start, const Point& end,
                                             diagram_object* preceding);
    // A PipeJoin centred on `centre`, on the active layer, with the end of
    // `precedingPipe` connected to its nearest connection point. Its depth:
    // the preceding segment's end depth when that has depths, else the new
    // segment's start depth when it has depths, else 0.
    static diagram_object* AddPipeJoinObject(diagram_data* data, const Point& centre,
                                             diagram_object* precedingPipe,
                                             const PipelineSegment& preceding,
                                             const PipelineSegment& next);

    // ---- Clients of an automation start ----

    // A bus peer (unique name) that called the sink; watched until it leaves.
    void NoteClient(const QString& uniqueName);
    int ClientCount() const;
    // Called when the last client has left, when no client came within the
    // idle grace time after EnableLifetimeWatch, or when the bus was lost.
    void SetLastClientGoneHandler(std::function<void()> handler) {
        m_lastClientGone = std::move(handler);
    }
    // Starts the idle grace timer and the bus check (automation starts only).
    void EnableLifetimeWatch(int idleGraceMs);

private:
    void ServerVanished();
    void ClientVanished(const QString& name);
    void ReleaseBusObjects();

    QObject* m_sinkHost = nullptr;  // the exported object; the CZefDBSink adaptor is its child
    QDBusServiceWatcher* m_serverWatch = nullptr;
    QDBusServiceWatcher* m_clientWatch = nullptr;
    QTimer* m_idleTimer = nullptr;
    QTimer* m_busCheck = nullptr;
    std::vector<std::string> m_clients;  // unique names
    std::function<void()> m_lastClientGone;
    bool m_connected = false;
    uint32_t m_cookie = 0;
    int32_t m_count = 0;
    std::vector<PipelineSegment> m_segments;
    bool m_shutdown = false;
};

extern CZefDBMgr theDBMgr;

// The folder part of a module path: up to and including its last "\", "/"
// or ":"; "/" when there is none.
QString AppPathFromModulePath(const QString& modulePath);
