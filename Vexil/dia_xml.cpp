// Typed attributes: writers and readers over libxml2's tree interface.
#include "vexil/dia_xml.h"

#include <glib.h>
#include <libxml/entities.h>
#include <libxml/xmlsave.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <unistd.h>

#include "vexil/message.h"

namespace {

const char* const data_type_names[] = {"composite", "int",   "enum",      "real",   "boolean",
                                       "color",     "point", "rectangle", "string", "font"};

xmlChar* X(const char* s) { return (xmlChar*)s; }

// A child without namespace (xmlNewChild would take the parent's).
xmlNodePtr new_child(xmlNodePtr parent, const char* name, const char* content = nullptr) {
    xmlNodePtr node = xmlNewDocNode(parent->doc, nullptr, X(name), content ? X(content) : nullptr);
    return xmlAddChild(parent, node);
}

bool is_element(xmlNodePtr node) { return node && node->type == XML_ELEMENT_NODE; }

void format_real(char* buf, size_t len, double value) {
    g_ascii_formatd(buf, (int)len, "%g", value);
}

}  // namespace

AttributeNode xml_new_attribute(xmlNodePtr parent, const char* name) {
    xmlNodePtr attr = new_child(parent, "attribute");
    xmlSetProp(attr, X("name"), X(name));
    return attr;
}

void xml_add_int(AttributeNode attr, int value) {
    char buf[20];
    g_snprintf(buf, sizeof buf, "%d", value);
    xmlNodePtr data = new_child(attr, "int");
    xmlSetProp(data, X("val"), X(buf));
}

void xml_add_enum(AttributeNode attr, int value) {
    char buf[20];
    g_snprintf(buf, sizeof buf, "%d", value);
    xmlNodePtr data = new_child(attr, "enum");
    xmlSetProp(data, X("val"), X(buf));
}

void xml_add_real(AttributeNode attr, double value) {
    char buf[G_ASCII_DTOSTR_BUF_SIZE];
    format_real(buf, sizeof buf, value);
    xmlNodePtr data = new_child(attr, "real");
    xmlSetProp(data, X("val"), X(buf));
}

void xml_add_boolean(AttributeNode attr, int value) {
    xmlNodePtr data = new_child(attr, "boolean");
    xmlSetProp(data, X("val"), X(value ? "true" : "false"));
}

void xml_add_point(AttributeNode attr, const Point* point) {
    char bx[G_ASCII_DTOSTR_BUF_SIZE], by[G_ASCII_DTOSTR_BUF_SIZE];
    format_real(bx, sizeof bx, point->x);
    format_real(by, sizeof by, point->y);
    char* val = g_strconcat(bx, ",", by, nullptr);
    xmlNodePtr data = new_child(attr, "point");
    xmlSetProp(data, X("val"), X(val));
    g_free(val);
}

void xml_add_rectangle(AttributeNode attr, const Rectangle* rect) {
    char l[G_ASCII_DTOSTR_BUF_SIZE], t[G_ASCII_DTOSTR_BUF_SIZE], r[G_ASCII_DTOSTR_BUF_SIZE],
        b[G_ASCII_DTOSTR_BUF_SIZE];
    format_real(l, sizeof l, rect->left);
    format_real(t, sizeof t, rect->top);
    format_real(r, sizeof r, rect->right);
    format_real(b, sizeof b, rect->bottom);
    char* val = g_strconcat(l, ",", t, ";", r, ",", b, nullptr);
    xmlNodePtr data = new_child(attr, "rectangle");
    xmlSetProp(data, X("val"), X(val));
    g_free(val);
}

void xml_add_string(AttributeNode attr, const char* text) {
    if (!text) {
        new_child(attr, "string");
        return;
    }
    char* utf8 = text_locale_to_utf8(text);
    if (!utf8) utf8 = g_strdup("");
    xmlChar* escaped = xmlEncodeEntitiesReentrant(attr->doc, X(utf8));
    char* framed = g_strconcat("#", (const char*)escaped, "#", nullptr);
    new_child(attr, "string", framed);
    g_free(framed);
    xmlFree(escaped);
    g_free(utf8);
}

DataNode xml_add_composite(AttributeNode attr, const char* type_name) {
    xmlNodePtr data = new_child(attr, "composite");
    if (type_name) xmlSetProp(data, X("type"), X(type_name));
    return data;
}

// ---- Saving ----

namespace {

xml_write_fn write_function = nullptr;

struct save_target {
    int fd;
    bool failed;
    int error;  // errno of the failed write
};

int save_write(void* context, const char* buffer, int len) {
    save_target* t = (save_target*)context;
    int done = 0;
    while (done < len) {
        ssize_t n = write_function ? write_function(t->fd, buffer + done, (size_t)(len - done))
                                   : write(t->fd, buffer + done, (size_t)(len - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            t->failed = true;
            t->error = n < 0 ? errno : ENOSPC;
            return -1;
        }
        done += (int)n;
    }
    return len;
}

int save_close(void*) { return 0; }

}  // namespace

void xml_set_write_function(xml_write_fn fn) { write_function = fn; }

int xml_save_file(const char* filename, xmlDocPtr doc) {
    int fd = open(filename, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    save_target target{fd, false, 0};
    int old_blanks = xmlKeepBlanksDefault(0);
    int old_indent = xmlIndentTreeOutput;
    xmlIndentTreeOutput = 1;
    xmlOutputBufferPtr out = xmlOutputBufferCreateIO(save_write, save_close, &target,
                                                     xmlFindCharEncodingHandler("UTF-8"));
    int result = -1;
    if (out) result = xmlSaveFormatFileTo(out, doc, "UTF-8", 1);  // closes the buffer
    xmlIndentTreeOutput = old_indent;
    xmlKeepBlanksDefault(old_blanks);
    int error = target.failed ? target.error : 0;
    if (result < 0 && !error) error = EIO;  // libxml2 gave up without a failed write
    if (target.failed) result = -1;
    if (result >= 0 && fsync(fd) != 0 && errno != EINVAL) {
        error = errno;
        result = -1;
    }
    if (close(fd) != 0 && result >= 0) {
        error = errno;
        result = -1;
    }
    if (result < 0) errno = error;
    return result;
}

// ---- Reading ----

static xmlNodePtr skip_to_element(xmlNodePtr c) {
    while (c && !is_element(c)) c = c->next;
    return c;
}

xmlNodePtr xml_first_child(xmlNodePtr node) {
    return node ? skip_to_element(node->children) : nullptr;
}

xmlNodePtr xml_next_sibling(xmlNodePtr node) {
    return node ? skip_to_element(node->next) : nullptr;
}

AttributeNode xml_find_attribute(xmlNodePtr obj_node, const char* name) {
    for (xmlNodePtr c = xml_first_child(obj_node); c; c = xml_next_sibling(c)) {
        xmlChar* n = xmlGetProp(c, X("name"));
        if (n) {
            bool match = strcmp((const char*)n, name) == 0;
            xmlFree(n);
            if (match) return c;
        }
    }
    return nullptr;
}

DataNode xml_attribute_data(AttributeNode attr) { return xml_first_child(attr); }

DataNode xml_data_next(DataNode data) { return xml_next_sibling(data); }

xmlNodePtr xml_find_child(xmlNodePtr node, const char* element_name) {
    for (xmlNodePtr c = xml_first_child(node); c; c = xml_next_sibling(c))
        if (strcmp((const char*)c->name, element_name) == 0) return c;
    return nullptr;
}

namespace {

// The type code of a data node, -1 for an unknown element name.
int data_type_of(DataNode data) {
    if (data && data->name)
        for (int i = 0; i < (int)G_N_ELEMENTS(data_type_names); i++)
            if (strcmp((const char*)data->name, data_type_names[i]) == 0) return i;
    return -1;
}

}  // namespace

int xml_data_type(DataNode data) {
    int type = data_type_of(data);
    if (type >= 0) return type;
    if (!xml_damage_mismatch(data, "unchanged")) message_error("Unknown type of DataNode");
    return 0;
}

int xml_prop_int(xmlNodePtr node, const char* prop) {
    xmlChar* val = xmlGetProp(node, X(prop));
    if (!val) return 0;
    gint64 v = g_ascii_strtoll((const char*)val, nullptr, 10);
    xmlFree(val);
    if (v > G_MAXINT) v = G_MAXINT;
    if (v < G_MININT) v = G_MININT;
    return (int)v;
}

namespace {

bool only_blanks(const char* p) {
    while (g_ascii_isspace(*p)) p++;
    return *p == '\0';
}

// Whole-text decimal int; false for anything else, out-of-range included.
bool parse_int_text(const char* text, int* out) {
    char* end;
    errno = 0;
    gint64 v = g_ascii_strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || !only_blanks(end) || v > G_MAXINT || v < G_MININT)
        return false;
    *out = (int)v;
    return true;
}

// Whole-text finite real in the "C" form.
bool parse_real_text(const char* text, double* out) {
    char* end;
    double v = g_ascii_strtod(text, &end);
    if (end == text || !only_blanks(end) || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

// The val= of a data node of the given type: 1 read, 0 no val= (value 0),
// -1 damaged (the text is handed back in *bad when asked for, g_free).
template <typename T>
int read_value(DataNode data, int type, const char* mismatch, bool (*parse)(const char*, T*),
               T* out, char** bad = nullptr) {
    *out = 0;
    if (data_type_of(data) != type) {
        // The mismatch has its own message and neutral value.
        if (!xml_damage_mismatch(data, "0")) message_error("%s", mismatch);
        return 1;
    }
    xmlChar* val = xmlGetProp(data, X("val"));
    if (!val) return 0;
    T v;
    int result = 1;
    if (parse((const char*)val, &v)) {
        *out = v;
    } else {
        result = -1;
        if (bad) *bad = g_strdup((const char*)val);
    }
    xmlFree(val);
    return result;
}

}  // namespace

int xml_data_int(DataNode data) {
    int v;
    read_value(data, DATATYPE_INT, "Taking int value of non-int node.", parse_int_text, &v);
    return v;
}

int xml_data_enum(DataNode data) {
    int v;
    read_value(data, DATATYPE_ENUM, "Taking enum value of non-enum node.", parse_int_text, &v);
    return v;
}

double xml_data_real(DataNode data) {
    double v;
    read_value(data, DATATYPE_REAL, "Taking real value of non-real node.", parse_real_text, &v);
    return v;
}

int xml_data_boolean(DataNode data) {
    if (data_type_of(data) != DATATYPE_BOOLEAN) {
        if (!xml_damage_mismatch(data, "0"))
            message_error("Taking boolean value of non-boolean node.");
        return 0;
    }
    xmlChar* val = xmlGetProp(data, X("val"));
    int v = val && strcmp((const char*)val, "true") == 0;
    if (val) xmlFree(val);
    return v;
}

// A coordinate out of the sane range becomes 0: large or non-finite ones
// with a warning, tiny ones silently.
static double sane_coordinate(const char* text, double v, const char* axis_warning) {
    double a = std::fabs(v);
    if (!std::isfinite(v) || a > 1e9) {
        message_log_warning(axis_warning, text, v);
        return 0.0;
    }
    if (a < 1e-9) return 0.0;
    return v;
}

void xml_data_point(DataNode data, Point* point) {
    if (data_type_of(data) != DATATYPE_POINT) {
        if (!xml_damage_mismatch(data, "unchanged"))
            message_error("Taking point value of non-point node.");
        return;
    }
    xmlChar* val = xmlGetProp(data, X("val"));
    const char* text = val ? (const char*)val : "";
    char* end;
    double x = g_ascii_strtod(text, &end);
    point->x = sane_coordinate(text, x, "Incorrect x Point value \"%s\" %f; discarding it.");
    const char* comma = strchr(end, ',');
    if (!comma) {
        point->y = 0.0;
        message_log_error("Error parsing point.");
    } else {
        double y = g_ascii_strtod(comma + 1, nullptr);
        point->y =
            sane_coordinate(comma + 1, y, "Incorrect y Point value \"%s\" %f; discarding it.");
    }
    if (val) xmlFree(val);
}

void xml_data_rectangle(DataNode data, Rectangle* rect) {
    if (data_type_of(data) != DATATYPE_RECTANGLE) {
        if (!xml_damage_mismatch(data, "unchanged"))
            message_error("Taking rectangle value of non-rectangle node.");
        return;
    }
    xmlChar* val = xmlGetProp(data, X("val"));
    const char* text = val ? (const char*)val : "";
    char* end;
    rect->left = g_ascii_strtod(text, &end);
    double* rest[3] = {&rect->top, &rect->right, &rect->bottom};
    const char seps[3] = {',', ';', ','};
    const char* pos = end;
    for (int i = 0; i < 3; i++) {
        const char* sep = strchr(pos, seps[i]);
        if (!sep) {
            message_error("Error parsing rectangle.");
            break;
        }
        *rest[i] = g_ascii_strtod(sep + 1, &end);
        pos = end;
    }
    if (val) xmlFree(val);
}

char* xml_data_string(DataNode data) {
    if (data_type_of(data) != DATATYPE_STRING) {
        if (!xml_damage_mismatch(data, "no text"))
            message_error("Taking string value of non-string node.");
        return nullptr;
    }
    xmlChar* val = xmlGetProp(data, X("val"));
    if (val) {
        // The older form: a backslash-escaped value.
        GString* out = g_string_new(nullptr);
        for (const char* p = (const char*)val; *p; p++) {
            if (*p != '\\') {
                g_string_append_c(out, *p);
                continue;
            }
            p++;
            switch (*p) {
                case '\\':
                    g_string_append_c(out, '\\');
                    break;
                case 'n':
                    g_string_append_c(out, '\n');
                    break;
                case 't':
                    g_string_append_c(out, '\t');
                    break;
                case '0':
                    break;
                default:
                    message_error("Error in string tag.");
                    break;
            }
            if (!*p) break;
        }
        xmlFree(val);
        char* utf8 = g_string_free(out, FALSE);
        char* result = text_utf8_to_locale(utf8);
        g_free(utf8);
        return result;
    }
    // An empty element stands for a null text.
    if (!data->children) return nullptr;
    xmlChar* content = xmlNodeGetContent(data);
    if (!content) return nullptr;
    const char* s = (const char*)content;
    size_t len = strlen(s);
    if (len == 0) {
        xmlFree(content);
        return nullptr;
    }
    if (s[0] != '#') message_error("Error in file, string not starting with #\n");
    char* inner = len >= 2 ? g_strndup(s + 1, len - 2) : g_strdup("");
    xmlFree(content);
    char* result = text_utf8_to_locale(inner);
    g_free(inner);
    return result;
}

// ---- Convenience readers ----

DataNode xml_find_data(xmlNodePtr obj_node, const char* name) {
    AttributeNode attr = xml_find_attribute(obj_node, name);
    return attr ? xml_attribute_data(attr) : nullptr;
}

// ---- Values that cannot be read ----

namespace {

// While a file loads, damaged values are collected and reported once at the
// end; outside a load each is reported on its own.
int damage_depth = 0;
GString* damage_lines = nullptr;
int damage_count = 0;
// Every repair is listed (the message box scrolls its details); only a file
// damaged beyond anything a person would read is cut, so that a hostile file
// cannot make the message itself the largest thing in memory.
const int damage_lines_shown = 10000;
const char damage_title[] = "Warning:\nValues that could not be read were replaced:";

bool named(xmlNodePtr node, const char* name) {
    return node && node->name && strcmp((const char*)node->name, name) == 0;
}

std::string prop_text(xmlNodePtr node, const char* prop) {
    xmlChar* v = xmlGetProp(node, X(prop));
    std::string s = v ? (const char*)v : "";
    if (v) xmlFree(v);
    return s;
}

// The label of an object element as stored, without messages of its own.
std::string stored_label(xmlNodePtr obj_node) {
    DataNode text = xml_find_data(obj_node, "label");
    DataNode str = text ? xml_find_data(text, "string") : nullptr;
    if (!str) return "";
    if (xmlHasProp(str, X("val"))) return prop_text(str, "val");
    xmlChar* content = xmlNodeGetContent(str);
    std::string s = content ? (const char*)content : "";
    if (content) xmlFree(content);
    if (s.size() >= 2 && s.front() == '#' && s.back() == '#') s = s.substr(1, s.size() - 2);
    return s;
}

// A text cut to a readable length.
std::string shown(const std::string& text, size_t most = 40) {
    if (g_utf8_strlen(text.c_str(), -1) <= (glong)most) return text;
    const char* cut = g_utf8_offset_to_pointer(text.c_str(), (glong)most);
    return std::string(text.c_str(), cut) + "...";
}

// Where a node stands: the object it belongs to, or the model section and
// the elements inside it, then the attributes around it.
std::string owner_of(xmlNodePtr node) {
    std::string path;
    auto prepend = [&path](const std::string& part) {
        path = path.empty() ? part : part + "/" + path;
    };
    for (xmlNodePtr n = node; n && n->type == XML_ELEMENT_NODE; n = n->parent) {
        if (named(n, "object")) {
            char* desc = xml_object_name(n);
            std::string d = desc;
            g_free(desc);
            return path.empty() ? d : d + ": " + path;
        }
        if (named(n, "attribute")) {
            prepend(prop_text(n, "name"));
        } else if (named(n, "composite")) {
            if (n->parent && !named(n->parent, "attribute")) {
                // A composite that stands in a section's list: its type and place.
                std::string type = prop_text(n, "type");
                int place = 1;
                for (xmlNodePtr o = n->prev; o; o = o->prev)
                    if (named(o, "composite") && prop_text(o, "type") == type) place++;
                prepend((type.empty() ? std::string("composite") : type) + " " +
                        std::to_string(place));
            }
        } else if (n->parent && named(n->parent, "models")) {
            prepend((const char*)n->name);
            break;
        } else if (named(n, "diagramdata") || (n->parent && n->parent->type == XML_DOCUMENT_NODE)) {
            prepend((const char*)n->name);
            break;
        } else {
            prepend((const char*)n->name);
        }
    }
    return path;
}

std::string quoted(const std::string& text) { return "\"" + shown(text) + "\""; }

// A data node as found: its element name and its value text.
std::string found_node(xmlNodePtr data) {
    std::string found = shown(data->name ? (const char*)data->name : "", 20);
    if (xmlHasProp(data, X("val"))) found += " " + quoted(prop_text(data, "val"));
    return found;
}

std::string value_text(int v) { return std::to_string(v); }

std::string value_text(double v) {
    char buf[G_ASCII_DTOSTR_BUF_SIZE];
    format_real(buf, sizeof buf, v);
    return buf;
}

unsigned replaced_serial = 0;

// One line "where: attribute found -> what was put in its place"; `replaced`
// when what was put there is not the stored value (a number stored as another
// kind of number keeps its value).
void report_damage(xmlNodePtr owner, const char* name, const std::string& found,
                   const std::string& put, bool replaced = true) {
    if (replaced) replaced_serial++;
    std::string where = owner_of(owner);
    std::string line =
        (where.empty() ? std::string() : where + ": ") + shown(name) + " " + found + " -> " + put;
    if (damage_depth == 0) {
        message_warning("%s\n%s", damage_title, line.c_str());
        return;
    }
    if (!damage_lines) damage_lines = g_string_new(nullptr);
    if (damage_count < damage_lines_shown) {
        g_string_append_c(damage_lines, '\n');
        g_string_append(damage_lines, line.c_str());
    }
    damage_count++;
}

// A number stored as another kind of number (an int where a real belongs)
// keeps its value when its text is a number of the wanted kind; any other
// damage keeps the default.
const char empty_found[] = "(empty)";

// An attribute that is there but holds no data node: damage, unlike an absent one.
bool empty_attribute(xmlNodePtr obj_node, const char* name, DataNode data) {
    return !data && xml_find_attribute(obj_node, name);
}

template <typename T>
T attr_value(xmlNodePtr obj_node, const char* name, T dflt, int type,
             bool (*parse)(const char*, T*)) {
    DataNode data = xml_find_data(obj_node, name);
    if (empty_attribute(obj_node, name, data)) {
        report_damage(obj_node, name, empty_found, value_text(dflt) + " (default)");
        return dflt;
    }
    if (!data) return dflt;
    const int found = data_type_of(data);
    const bool numeric = found == DATATYPE_INT || found == DATATYPE_ENUM || found == DATATYPE_REAL;
    if (found == type || !numeric) {
        if (found != type) {
            report_damage(obj_node, name, found_node(data), value_text(dflt) + " (default)");
            return dflt;
        }
        T v;
        char* bad = nullptr;
        const int read = read_value(data, type, "", parse, &v, &bad);
        if (read > 0) return v;
        if (read == 0) {
            // The element is there without its val=.
            report_damage(obj_node, name, found_node(data) + " " + empty_found,
                          value_text(dflt) + " (default)");
            return dflt;
        }
        report_damage(obj_node, name, quoted(bad), value_text(dflt) + " (default)");
        g_free(bad);
        return dflt;
    }
    T v = dflt;
    std::string text = prop_text(data, "val");
    const bool taken = xmlHasProp(data, X("val")) && parse(text.c_str(), &v);
    if (!taken) v = dflt;
    report_damage(obj_node, name, found_node(data), value_text(v) + (taken ? "" : " (default)"),
                  !taken);
    return v;
}

bool parse_single_text(const char* text, double* out) {
    return parse_real_text(text, out) && std::fabs(*out) <= (double)FLT_MAX;
}

}  // namespace

char* xml_object_description(xmlNodePtr obj_node) {
    std::string type = prop_text(obj_node, "type");
    std::string label = stored_label(obj_node);
    std::string id = prop_text(obj_node, "id");
    std::string d = type.empty() ? std::string("object") : type;
    for (char& c : label)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';  // a label of several lines names the object on one
    if (!label.empty()) d += " \"" + shown(label) + "\"";
    if (!id.empty()) d += " (" + shown(id, 12) + ")";
    return g_strdup(d.c_str());
}

char* xml_object_name(xmlNodePtr obj_node) {
    char* desc = xml_object_description(obj_node);
    // The object's number, as messages of the network check name it.
    DataNode number = xml_find_data(obj_node, "xref");
    int xref = 0;
    if (data_type_of(number) != DATATYPE_INT ||
        !parse_int_text(prop_text(number, "val").c_str(), &xref) || xref <= 0)
        return desc;
    char* name = g_strdup_printf("%s object %d", desc, xref);
    g_free(desc);
    return name;
}

void xml_damage_begin() { damage_depth++; }

void xml_damage_end() {
    if (damage_depth == 0 || --damage_depth > 0) return;
    if (damage_count > 0) {
        if (damage_count > damage_lines_shown)
            g_string_append_printf(damage_lines, "\n... and %d more",
                                   damage_count - damage_lines_shown);
        message_warning("%s%s", damage_title, damage_lines->str);
    }
    if (damage_lines) g_string_free(damage_lines, TRUE);
    damage_lines = nullptr;
    damage_count = 0;
}

bool xml_damage_mismatch(DataNode data, const char* put) {
    if (damage_depth == 0 || !data) return false;
    // The owner is the element holding the attribute the node stands in.
    xmlNodePtr attr = data->parent;
    if (attr && named(attr, "attribute") && attr->parent && attr->parent->type == XML_ELEMENT_NODE)
        report_damage(attr->parent, prop_text(attr, "name").c_str(), found_node(data), put);
    else
        report_damage(attr && attr->type == XML_ELEMENT_NODE ? attr : nullptr, "", found_node(data),
                      put);
    return true;
}

int xml_attr_real_checked(xmlNodePtr obj_node, const char* name, double* value) {
    DataNode data = xml_find_data(obj_node, name);
    if (!data) return 0;
    if (data_type_of(data) != DATATYPE_REAL) {
        *value = 0;
        return -1;
    }
    return read_value(data, DATATYPE_REAL, "Taking real value of non-real node.", parse_real_text,
                      value) < 0
               ? -1
               : 1;
}

int xml_attr_int(xmlNodePtr obj_node, const char* name, int dflt) {
    return attr_value(obj_node, name, dflt, DATATYPE_INT, parse_int_text);
}

int xml_attr_enum(xmlNodePtr obj_node, const char* name, int dflt) {
    return attr_value(obj_node, name, dflt, DATATYPE_ENUM, parse_int_text);
}

double xml_attr_real(xmlNodePtr obj_node, const char* name, double dflt) {
    return attr_value(obj_node, name, dflt, DATATYPE_REAL, parse_real_text);
}

double xml_attr_single(xmlNodePtr obj_node, const char* name, double dflt) {
    return attr_value(obj_node, name, dflt, DATATYPE_REAL, parse_single_text);
}

int xml_attr_boolean(xmlNodePtr obj_node, const char* name, int dflt) {
    DataNode data = xml_find_data(obj_node, name);
    if (!data && !empty_attribute(obj_node, name, data)) return dflt;
    if (!data || !xmlHasProp(data, X("val"))) {
        report_damage(obj_node, name, data ? found_node(data) + " " + empty_found : empty_found,
                      std::string(dflt ? "true" : "false") + " (default)");
        return dflt;
    }
    if (data_type_of(data) != DATATYPE_BOOLEAN) {
        report_damage(obj_node, name, found_node(data),
                      std::string(dflt ? "true" : "false") + " (default)");
        return dflt;
    }
    return xml_data_boolean(data);
}

void xml_attr_point(xmlNodePtr obj_node, const char* name, Point* point, const Point* dflt) {
    DataNode data = xml_find_data(obj_node, name);
    if (data)
        xml_data_point(data, point);
    else if (dflt)
        *point = *dflt;
}

char* xml_attr_string(xmlNodePtr obj_node, const char* name, const char* dflt) {
    DataNode data = xml_find_data(obj_node, name);
    if (empty_attribute(obj_node, name, data))
        report_damage(obj_node, name, empty_found,
                      dflt ? quoted(dflt) + " (default)" : std::string("no text (default)"));
    return data ? xml_data_string(data) : g_strdup(dflt);
}

unsigned xml_damage_serial() { return replaced_serial; }

void xml_damage_report(xmlNodePtr owner, const char* name, const char* found, const char* put) {
    report_damage(owner, name, found, put);
}
