#include "object_properties.h"

#include <glib.h>

#include <cmath>

#include "command_ids.h"
#include "object_dlgs.h"
#include "scenario_doc.h"
#include "vexil/diagramdata.h"
#include "vexil/network_objects.h"
#include "win_app.h"
#include "frames.h"

namespace {

QString labelOf(diagram_object* obj) {
    text_block* label = object_label(obj);
    if (!label) return {};
    char* text = text_get_string(label);
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

void setLabel(diagram_object* obj, const QString& text) {
    object_set_label(obj, text.toUtf8().constData());
}

// A field the user did not edit keeps the object's value as it was: the
// dialog's float (shown with 6 digits) would not give its bits back. A value
// typed again as it was shown keeps them too. True when the value changed.
bool takeEdited(const CDialog& dlg, int editId, float value, double& field) {
    if (!dlg.IsTextChanged(editId) || float(field) == value) return false;
    field = value;
    return true;
}

bool takeClosingTime(const CDialog& dlg, float value, int& field) {
    if (!dlg.IsTextChanged(IDC_CLOSINGTIME)) return false;
    const int closing = ClosingTimeFromDialog(value);
    if (closing == field) return false;
    field = closing;
    return true;
}

// Runs a dialog that carries a label: fill, show, and on OK store the label
// and let store() take the values. 1 only when OK changed something: reading
// an object's values and pressing OK leaves the scenario and its results as
// they were.
template <class Dlg, class Fill, class Store>
int runWithLabel(diagram_object* obj, Fill fill, Store store) {
    if (!obj) return 0;
    Dlg dlg(AfxGetMainWnd());
    const QString label = labelOf(obj);
    dlg.m_strLabel = label;
    fill(dlg);
    if (dlg.DoModal() != IDOK) return 0;
    bool changed = store(dlg);
    if (dlg.m_strLabel != label) {
        setLabel(obj, dlg.m_strLabel);
        changed = true;
    }
    // OK on the values shown confirms them, repairs and rates of the other
    // fluid alike: a confirmation is a change the scenario must keep.
    if (object_confirm_values(obj)) changed = true;
    return changed ? 1 : 0;
}

// The fluid class of the scenario whose drawing holds the object (a gas
// composition, the class of a new scenario, when none does).
int fluidClassOf(diagram_object* obj) {
    CWinApp* app = AfxGetApp();
    if (!app) return FLUID_GAS_COMPOSITION;
    for (const auto& tmpl : app->GetTemplates())
        for (CDocument* d : tmpl->GetDocuments()) {
            auto* doc = dynamic_cast<CScenarioDoc*>(d);
            diagram_data* diagram = doc ? doc->GetDiagram() : nullptr;
            if (!diagram) continue;
            for (guint i = 0; i < diagram->layers->len; ++i)
                if (g_list_find(static_cast<layer*>(g_ptr_array_index(diagram->layers, i))->objects,
                                obj))
                    return doc->ReleaseModel().GetFluidClass();
        }
    return FLUID_GAS_COMPOSITION;
}

}  // namespace

int flow_inlet_properties(diagram_object* obj) {
    point_object* po = obj ? as_point_object(obj) : nullptr;
    if (!po) return 0;
    return runWithLabel<CZefFlowInletPropsDlg>(
        obj,
        [po, obj](CZefFlowInletPropsDlg& d) {
            d.SetFluidClass(fluidClassOf(obj));
            d.m_depth = float(po->depth);
            d.m_flowrate = float(po->flowrate);
            d.m_temp = float(po->temp);
            d.m_closingtime = float(po->closingtime);
        },
        [po](CZefFlowInletPropsDlg& d) {
            bool changed = takeEdited(d, IDC_DEPTH, d.m_depth, po->depth);
            changed = takeEdited(d, IDC_FLOWRATE, d.m_flowrate, po->flowrate) || changed;
            changed = takeEdited(d, IDC_TEMP, d.m_temp, po->temp) || changed;
            changed = takeClosingTime(d, d.m_closingtime, po->closingtime) || changed;
            if (changed) point_object_update_data(po);
            return changed;
        });
}

int flow_outlet_properties(diagram_object* obj) {
    point_object* po = obj ? as_point_object(obj) : nullptr;
    if (!po) return 0;
    return runWithLabel<CZefFlowOutletPropsDlg>(
        obj,
        [po](CZefFlowOutletPropsDlg& d) {
            d.m_depth = float(po->depth);
            d.m_pressure = float(po->pressure);
            d.m_closingtime = float(po->closingtime);
        },
        [po](CZefFlowOutletPropsDlg& d) {
            bool changed = takeEdited(d, IDC_DEPTH, d.m_depth, po->depth);
            changed = takeEdited(d, IDC_PRESSURE, d.m_pressure, po->pressure) || changed;
            changed = takeClosingTime(d, d.m_closingtime, po->closingtime) || changed;
            if (changed) point_object_update_data(po);
            return changed;
        });
}

namespace {
template <class Dlg>
int depthOnly(diagram_object* obj) {
    point_object* po = obj ? as_point_object(obj) : nullptr;
    if (!po) return 0;
    return runWithLabel<Dlg>(
        obj, [po](Dlg& d) { d.m_depth = float(po->depth); },
        [po](Dlg& d) {
            const bool changed = takeEdited(d, IDC_DEPTH, d.m_depth, po->depth);
            if (changed) point_object_update_data(po);
            return changed;
        });
}
}  // namespace

int junction_properties(diagram_object* obj) { return depthOnly<CZefJunctionPropsDlg>(obj); }

int pipe_join_properties(diagram_object* obj) { return depthOnly<CZefPipejoinPropsDlg>(obj); }

int pipeline_properties(diagram_object* obj) {
    pipeline* pl = obj ? as_pipeline(obj) : nullptr;
    if (!pl) return 0;
    return runWithLabel<CZefPipelinePropsDlg>(
        obj,
        [pl](CZefPipelinePropsDlg& d) {
            d.m_length = float(pl->length);
            d.m_diameter = float(pl->diameter);
            d.m_roughness = float(pl->roughness);
            d.m_heatTransCoeff = float(pl->heat_trans_coeff);
            d.m_ambTemp = float(pl->amb_temp);
        },
        [pl](CZefPipelinePropsDlg& d) {
            bool changed = takeEdited(d, IDC_LENGTH, d.m_length, pl->length);
            changed = takeEdited(d, IDC_DIAMETER, d.m_diameter, pl->diameter) || changed;
            changed = takeEdited(d, IDC_ROUGHNESS, d.m_roughness, pl->roughness) || changed;
            changed =
                takeEdited(d, IDC_HEATTRANS, d.m_heatTransCoeff, pl->heat_trans_coeff) || changed;
            changed = takeEdited(d, IDC_TEMP, d.m_ambTemp, pl->amb_temp) || changed;
            if (changed) pipeline_update_data(pl);
            return changed;
        });
}

int spill_point_properties(diagram_object* obj) {
    spill_point* sp = obj ? as_spill_point(obj) : nullptr;
    if (!sp) return 0;
    CZefSpillPointPropsDlg dlg(AfxGetMainWnd());
    dlg.m_depth = float(sp->depth);
    dlg.m_distance = float(sp->distance);
    dlg.m_diameter = float(sp->diameter);
    dlg.m_backpressure = float(sp->backpressure);
    if (dlg.DoModal() != IDOK) return 0;
    const bool deeper = takeEdited(dlg, IDC_DEPTH, dlg.m_depth, sp->depth);
    bool changed = takeEdited(dlg, IDC_DISTANCE, dlg.m_distance, sp->distance) || deeper;
    changed = takeEdited(dlg, IDC_DIAMETER, dlg.m_diameter, sp->diameter) || changed;
    // The back pressure follows the depth. One that already does, to the 6
    // digits scenarios store it with, keeps its bits.
    const double derived = HydrostaticPressure(sp->depth);
    if (deeper || !(std::fabs(sp->backpressure - derived) <= derived * 5e-6)) {
        sp->backpressure = derived;
        changed = true;
    }
    if (object_confirm_values(obj)) changed = true;
    if (!changed) return 0;
    spill_point_update_data(sp);
    return 1;
}

void RegisterPropertyDialogs() {
    type_set_properties(FLOW_INLET_TYPE, flow_inlet_properties);
    type_set_properties(FLOW_OUTLET_TYPE, flow_outlet_properties);
    type_set_properties(JUNCTION_TYPE, junction_properties);
    type_set_properties(PIPE_JOIN_TYPE, pipe_join_properties);
    type_set_properties(PIPELINE_TYPE, pipeline_properties);
    type_set_properties(SPILL_POINT_TYPE, spill_point_properties);
}
