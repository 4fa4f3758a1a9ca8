#include "release_section.h"

#include "release_model.h"

#include <vexil/dia_xml.h>
#include <vexil/message.h>

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

const char* const DISCHARGE_SUMMARY_KEYS[11] = {
    "time",         "peak_total_mass",  "peak_oil_out",
    "peak_gas_out", "peak_oil_out_std", "peak_gas_out_std",
    "total_mass",   "oil_out",          "gas_out",
    "oil_out_std",  "gas_out_std"};

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

// Child elements of a section carry no namespace (as objects do).
xmlNodePtr newChild(xmlNodePtr parent, const char* name) {
    xmlNodePtr child = xmlNewNode(nullptr, X(name));
    return xmlAddChild(parent, child);
}

// The run settings repaired on an open stay listed until confirmed, so that
// a save does not pass them off as entered values.
const char REPAIRED[] = "repaired";
// A summary word as a real the loader reads back to the same float: the
// fewest digits that do (6 would show 1694970 s for a run of 1694967 s).
void addWholeReal(AttributeNode attr, float value) {
    char buf[G_ASCII_DTOSTR_BUF_SIZE];
    for (int digits = 6; digits <= 9; ++digits) {
        const std::string format = "%." + std::to_string(digits) + "g";
        g_ascii_formatd(buf, sizeof buf, format.c_str(), static_cast<double>(value));
        if (static_cast<float>(g_ascii_strtod(buf, nullptr)) == value) break;
    }
    xmlNodePtr data = xmlAddChild(attr, xmlNewDocNode(attr->doc, nullptr, X("real"), nullptr));
    xmlSetProp(data, X("val"), X(buf));
}

float* summaryWords(DischargeSummary& s) { return &s.time; }
const float* summaryWords(const DischargeSummary& s) { return &s.time; }

}  // namespace

void SaveReleaseSection(void* user_data, xmlNodePtr section) {
    auto* model = static_cast<CReleaseModel*>(user_data);

    xmlNodePtr control = newChild(section, "control");
    xml_add_real(xml_new_attribute(control, "sim_stop_time"), model->Control().TUSER);
    xml_add_boolean(xml_new_attribute(control, "disable_temp_calc"), model->Control().NOTEMP != 0);
    xml_add_string(xml_new_attribute(control, "fluid_class"),
                   model->GetFluidClass() == FLUID_GAS_COMPOSITION ? "gas" : "blackoil");
    if (!model->RepairedSetup().isEmpty()) {
        AttributeNode attr = xml_new_attribute(control, REPAIRED);
        for (const QString& name : model->RepairedSetup())
            xml_add_string(attr, name.toUtf8().constData());
    }

    if (const orvane::ReleaseInput* in = model->GetInput()) {
        xmlNodePtr xref = newChild(section, "xref");
        xml_add_int(xml_new_attribute(xref, "num_branches"), in->net.NBR);
        xml_add_int(xml_new_attribute(xref, "outlet"), in->outlet_obj);
        for (int i = 1; i <= in->net.NBR && i <= orvane::MAX_BRANCHES; ++i)
            xml_add_int(xml_new_attribute(xref, ("branchname" + std::to_string(i)).c_str()),
                        in->branch_name_obj[i - 1]);
    }

    if (const DischargeSummary* summary = model->GetSummary()) {
        xmlNodePtr result = newChild(section, "result");
        xml_add_boolean(xml_new_attribute(result, "uptodate"), model->IsUpToDate());
        const float* v = summaryWords(*summary);
        for (int k = 0; k < 11; ++k)
            addWholeReal(xml_new_attribute(result, DISCHARGE_SUMMARY_KEYS[k]), v[k]);
        if (model->IsUpToDate() && !model->Warning().isEmpty())
            xml_add_string(xml_new_attribute(result, "warning"),
                           model->Warning().toUtf8().constData());
    }
}

void LoadReleaseSection(void* user_data, xmlNodePtr section) {
    auto* model = static_cast<CReleaseModel*>(user_data);
    model->m_validated = false;
    model->m_fluidClass = FLUID_BLACK_OIL;
    model->m_upToDate = false;
    model->m_warning.clear();

    model->m_repairedSetup.clear();
    if (xmlNodePtr control = xml_find_child(section, "control")) {
        orvane::ReleaseControl& c = model->m_control;
        QStringList& repaired = model->m_repairedSetup;
        unsigned before = xml_damage_serial();
        c.TUSER = static_cast<float>(xml_attr_single(control, "sim_stop_time", c.TUSER));
        if (xml_damage_serial() != before) repaired << QStringLiteral("sim_stop_time");
        before = xml_damage_serial();
        c.NOTEMP = xml_attr_boolean(control, "disable_temp_calc", c.NOTEMP) != 0 ? 1 : 0;
        if (xml_damage_serial() != before) repaired << QStringLiteral("disable_temp_calc");
        AttributeNode marks = xml_find_attribute(control, REPAIRED);
        for (DataNode d = marks ? xml_attribute_data(marks) : nullptr; d; d = xml_data_next(d)) {
            if (xml_data_type(d) != DATATYPE_STRING) continue;
            char* text = xml_data_string(d);
            const QString name = QString::fromUtf8(text ? text : "");
            g_free(text);
            if ((name != QLatin1String("sim_stop_time") &&
                 name != QLatin1String("disable_temp_calc")) ||
                repaired.contains(name))
                continue;
            repaired << name;
            xml_damage_report(control, name.toUtf8().constData(), "repaired when opened before",
                              "kept, not yet confirmed");
        }
        if (char* fluid = xml_attr_string(control, "fluid_class", nullptr)) {
            if (g_ascii_strcasecmp(fluid, "gas") == 0) model->m_fluidClass = FLUID_GAS_COMPOSITION;
            g_free(fluid);
        }
    }

    model->m_input = std::make_unique<orvane::ReleaseInput>();
    if (xmlNodePtr xref = xml_find_child(section, "xref")) {
        orvane::ReleaseInput& in = *model->m_input;
        // A damaged file must not run past the branch tables.
        const int branches =
            std::clamp(xml_attr_int(xref, "num_branches", 0), 0, orvane::MAX_BRANCHES);
        in.outlet_obj = xml_attr_int(xref, "outlet", in.outlet_obj);
        for (int i = 1; i <= branches; ++i)
            in.branch_name_obj[i - 1] = xml_attr_int(
                xref, ("branchname" + std::to_string(i)).c_str(), in.branch_name_obj[i - 1]);
        in.net.NBR = branches;
    }

    model->m_summary.reset();
    if (xmlNodePtr result = xml_find_child(section, "result")) {
        auto summary = std::make_unique<DischargeSummary>();
        std::memset(summary.get(), 0, sizeof(DischargeSummary));
        model->m_upToDate = xml_attr_boolean(result, "uptodate", 0) != 0;
        float* v = summaryWords(*summary);
        const char* damaged = nullptr;
        for (int k = 0; k < 11; ++k) {
            double word = 0.0;
            if (xml_attr_real_checked(result, DISCHARGE_SUMMARY_KEYS[k], &word) < 0 ||
                !std::isfinite(static_cast<float>(word))) {
                damaged = damaged ? damaged : DISCHARGE_SUMMARY_KEYS[k];
                continue;
            }
            v[k] = static_cast<float>(word);
        }
        if (damaged) {
            // A result with a word that is no finite number would show as
            // figures; the scenario is left without one, to be calculated again.
            model->m_upToDate = false;
            message_warning(
                "Warning:\nThe stored discharge result holds a value that is not a finite number "
                "(%s) -- the result was dropped; calculate the discharge again.",
                damaged);
            return;
        }
        if (char* warning = xml_attr_string(result, "warning", nullptr)) {
            model->m_warning = QString::fromUtf8(warning);
            g_free(warning);
        }
        model->m_summary = std::move(summary);
    }
}
