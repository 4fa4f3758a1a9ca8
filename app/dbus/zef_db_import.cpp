// The import of recorded pipeline segments into a diagram.
#include <map>
#include <set>

#include "vexil/connpoint_line.h"
#include "vexil/diagramdata.h"
#include "vexil/network_objects.h"
#include "vexil/undo.h"
#include "zef_db_mgr.h"

namespace {

diagram_object* CreateObject(const char* typeName, const Point& at, object_handle** h1,
                             object_handle** h2) {
    object_type* type = type_registry_find(typeName);
    if (!type || !type->ops || !type->ops->create) return nullptr;
    *h1 = *h2 = nullptr;
    return type->ops->create(&at, type->default_user_data, h1, h2);
}

connection_point* NearestConnectionPoint(diagram_object* obj, const Point& p) {
    connection_point* best = nullptr;
    double bestDist = 0;
    for (int i = 0; i < obj->num_connections; i++) {
        double d = distance_point_point(&obj->connections[i]->pos, &p);
        if (!best || d < bestDist) {
            best = obj->connections[i];
            bestDist = d;
        }
    }
    return best;
}

// Connects a handle to a connection point as a recorded change.
void Connect(diagram_data* data, diagram_object* obj, object_handle* handle, connection_point* cp) {
    undo_change* change = undo_connect(data, obj, handle, cp);
    change->apply(change, data);
}

// The order in which the segments can be placed: unconnected ones first in
// list order, then rounds of connected ones whose target is already placed.
// False when some segment can never be placed.
bool PlanImport(const std::vector<PipelineSegment>& segs, std::vector<size_t>& order) {
    std::set<int32_t> placed;
    std::vector<bool> done(segs.size(), false);
    for (size_t i = 0; i < segs.size(); i++)
        if (!segs[i].connected) {
            order.push_back(i);
            placed.insert(segs[i].segId);
            done[i] = true;
        }
    for (bool progress = true; progress;) {
        progress = false;
        for (size_t i = 0; i < segs.size(); i++)
            if (!done[i] && placed.count(segs[i].connectToId)) {
                order.push_back(i);
                placed.insert(segs[i].segId);
                done[i] = true;
                progress = true;
            }
    }
    return order.size() == segs.size();
}

}  // namespace

diagram_object* CZefDBMgr::AddPipelineObject(diagram_data* data, const PipelineSegment& seg,
                                             const Point& start, const Point& end,
                                             diagram_object* preceding) {
    object_handle *h1, *h2;
    diagram_object* obj = CreateObject(PIPELINE_TYPE, start, &h1, &h2);
    pipeline* p = as_pipeline(obj);
    if (!p) return obj;
    obj->ops->move_handle(obj, h2, &end, HANDLE_MOVE_USER, 0);
    object_set_label(obj, seg.name.c_str());
    p->length = seg.length;
    p->diameter = seg.diameter;
    p->roughness = seg.roughness;
    p->heat_trans_coeff = seg.heatTransCoeff;
    p->amb_temp = seg.temp;
    pipeline_update_data(p);
    layer_add_object(data->active_layer, obj);
    if (preceding)
        if (connection_point* cp = NearestConnectionPoint(preceding, start))
            Connect(data, obj, h1, cp);
    return obj;
}

diagram_object* CZefDBMgr::AddPipeJoinObject(diagram_data* data, const Point& centre,
                                             diagram_object* precedingPipe,
                                             const PipelineSegment& preceding,
                                             const PipelineSegment& next) {
    object_handle *h1, *h2;
    diagram_object* obj = CreateObject(PIPE_JOIN_TYPE, centre, &h1, &h2);
    point_object* join = as_point_object(obj);
    if (!join) return obj;
    obj->ops->move(obj, &centre);
    if (preceding.hasDepths)
        join->depth = preceding.endDepth;
    else if (next.hasDepths)
        join->depth = next.startDepth;
    layer_add_object(data->active_layer, obj);
    if (pipeline* p = as_pipeline(precedingPipe)) {
        object_handle* end = &p->conn.endpoint_handles[1];
        if (connection_point* cp = NearestConnectionPoint(obj, p->conn.endpoints[1]))
            Connect(data, precedingPipe, end, cp);
    }
    return obj;
}

bool CZefDBMgr::BuildNetworkFromDatabase(diagram_data* data, const Point& start, int* placed) {
    if (placed) *placed = 0;
    if (!data || !data->active_layer) return false;
    std::vector<size_t> order;
    if (!PlanImport(m_segments, order)) return false;
    if (order.empty()) return true;
    if (!type_registry_find(PIPELINE_TYPE) || !type_registry_find(PIPE_JOIN_TYPE)) return false;

    struct Placed {
        diagram_object* pipe;
        size_t seg;
        diagram_object* join = nullptr;  // the PipeJoin at its end, once one exists
        int branches = 0;                // segments continued from that join
    };
    std::map<int32_t, Placed> byId;
    Point at{start.x + DB_IMPORT_OFFSET_X, start.y + DB_IMPORT_OFFSET_Y};
    // A join's outgoing branches: the first straight on from its right point,
    // further ones from its bottom and top points, sloping away.
    const int branchPoint[3] = {2, 3, 0};
    const double branchSlope[3] = {0.0, 1.0, -1.0};

    for (size_t i : order) {
        const PipelineSegment& seg = m_segments[i];
        diagram_object* pipe;
        if (!seg.connected) {
            Point end{at.x + DB_IMPORT_PIPE_WIDTH, at.y};
            pipe = AddPipelineObject(data, seg, at, end, nullptr);
            at.y += DB_IMPORT_ROW_STEP;
        } else {
            Placed& target = byId.at(seg.connectToId);
            if (!target.join) {
                const Point targetEnd = as_pipeline(target.pipe)->conn.endpoints[1];
                Point centre{targetEnd.x + POINT_OBJECT_CP_OFFSET, targetEnd.y};
                target.join =
                    AddPipeJoinObject(data, centre, target.pipe, m_segments[target.seg], seg);
            }
            const int k = target.branches++;
            const Point from = target.join->connections[branchPoint[k % 3]]->pos;
            Point end{from.x + DB_IMPORT_PIPE_WIDTH,
                      from.y + branchSlope[k % 3] * DB_IMPORT_BRANCH_DROP * (1 + k / 3)};
            pipe = AddPipelineObject(data, seg, from, end, target.join);
        }
        byId.emplace(seg.segId, Placed{pipe, i});
    }
    undo_set_transaction_point(data->undo);
    diagram_update_extents(data);
    if (placed) *placed = static_cast<int>(order.size());
    m_segments.clear();
    return true;
}
