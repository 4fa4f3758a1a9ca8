// The scenario file: writer with a safe replace, reader with repairs.
#include "vexil/diagram_file.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <unistd.h>

#include "vexil/dia_xml.h"
#include "vexil/diagramdata.h"
#include "vexil/message.h"

const char* const ZEF_NAMESPACE_URI = "urn:x-holvik:zef";

namespace {

xmlChar* X(const char* s) { return (xmlChar*)s; }

// A child without namespace (xmlNewChild would take the parent's).
xmlNodePtr new_child(xmlNodePtr parent, const char* name) {
    return xmlAddChild(parent, xmlNewDocNode(parent->doc, nullptr, X(name), nullptr));
}

// ---- Saving ----

// Writes the "connections" element of one object; 0 when a point of the
// connection cannot be found on its owner.
int write_connections(xmlNodePtr obj_node, diagram_object* obj, GHashTable* numbers) {
    xmlNodePtr conns = nullptr;
    for (int h = 0; h < obj->num_handles; h++) {
        connection_point* cp = obj->handles[h]->connected_to;
        if (!cp) continue;
        diagram_object* other = cp->object;
        int con_point_nr = object_connection_index(other, cp);
        gpointer number;
        if (con_point_nr < 0 || !g_hash_table_lookup_extended(numbers, other, nullptr, &number)) {
            message_error(
                "Internal error saving diagram\n con_point_nr >= other_obj->num_connections\n");
            return 0;
        }
        if (!conns) conns = new_child(obj_node, "connections");
        xmlNodePtr c = new_child(conns, "connection");
        char buf[32];
        g_snprintf(buf, sizeof buf, "%d", h);
        xmlSetProp(c, X("handle"), X(buf));
        g_snprintf(buf, sizeof buf, "O%d", GPOINTER_TO_INT(number));
        xmlSetProp(c, X("to"), X(buf));
        g_snprintf(buf, sizeof buf, "%d", con_point_nr);
        xmlSetProp(c, X("connection"), X(buf));
    }
    return 1;
}

xmlDocPtr build_document(diagram_data* data, const char* filename, const FileSection* sections) {
    xmlDocPtr doc = xmlNewDoc(X("1.0"));
    xmlNodePtr root = xmlNewDocNode(doc, nullptr, X("diagram"), nullptr);
    xmlDocSetRootElement(doc, root);
    xmlNsPtr ns = xmlNewNs(root, X(ZEF_NAMESPACE_URI), X("zef"));
    xmlSetNs(root, ns);

    xmlNodePtr dd = xmlNewChild(root, ns, X("diagramdata"), nullptr);
    xml_add_real(xml_new_attribute(dd, "scaling"), data->scaling);
    xml_add_int(xml_new_attribute(dd, "xref_max"), data->xref_max);

    // Every object of every layer is numbered first, so a connection may point
    // to an object of any layer.
    GHashTable* numbers = g_hash_table_new(g_direct_hash, g_direct_equal);
    int n = 0;
    for (guint i = 0; i < data->layers->len; i++)
        for (GList* o = ((layer*)g_ptr_array_index(data->layers, i))->objects; o; o = o->next)
            g_hash_table_insert(numbers, o->data, GINT_TO_POINTER(n++));

    bool ok = true;
    for (guint i = 0; i < data->layers->len && ok; i++) {
        layer* l = (layer*)g_ptr_array_index(data->layers, i);
        xmlNodePtr layer_node = xmlNewChild(root, ns, X("layer"), nullptr);
        char* name = text_locale_to_utf8(l->name);
        xmlSetProp(layer_node, X("name"), X(name ? name : ""));
        g_free(name);
        xmlSetProp(layer_node, X("visible"), X(l->visible ? "true" : "false"));
        GPtrArray* nodes = g_ptr_array_new();
        for (GList* o = l->objects; o; o = o->next) {
            diagram_object* obj = (diagram_object*)o->data;
            xmlNodePtr obj_node = new_child(layer_node, "object");
            xmlSetProp(obj_node, X("type"), X(obj->type->name));
            char buf[32];
            g_snprintf(buf, sizeof buf, "%d", obj->type->version);
            xmlSetProp(obj_node, X("version"), X(buf));
            g_snprintf(buf, sizeof buf, "O%d", GPOINTER_TO_INT(g_hash_table_lookup(numbers, obj)));
            xmlSetProp(obj_node, X("id"), X(buf));
            obj->type->ops->save(obj, obj_node, filename);
            g_ptr_array_add(nodes, obj_node);
        }
        guint k = 0;
        for (GList* o = l->objects; o && ok; o = o->next, k++)
            ok = write_connections((xmlNodePtr)g_ptr_array_index(nodes, k),
                                   (diagram_object*)o->data, numbers) != 0;
        g_ptr_array_free(nodes, TRUE);
    }
    g_hash_table_destroy(numbers);
    if (!ok) {
        xmlFreeDoc(doc);
        return nullptr;
    }

    xmlNodePtr models = xmlNewChild(root, ns, X("models"), nullptr);
    for (const FileSection* s = sections; s && s->user_data; s++) {
        xmlNodePtr section = xmlNewChild(models, ns, X(s->name), nullptr);
        if (s->save) s->save(s->user_data, section);
    }
    return doc;
}

}  // namespace

namespace {

file_rename_fn rename_function = nullptr;

int rename_file(const char* from, const char* to) {
    return rename_function ? rename_function(from, to) : g_rename(from, to);
}

}  // namespace

void diagram_file_set_rename_function(file_rename_fn fn) { rename_function = fn; }

namespace {
file_check_fn file_check = nullptr;
}  // namespace

void diagram_file_set_check(file_check_fn fn) { file_check = fn; }

xmlDocPtr diagram_file_build(diagram_data* data, const char* filename,
                             const FileSection* sections) {
    return build_document(data, filename, sections);
}

// Every failure names the file, the step and the system's reason.
int diagram_file_write(xmlDocPtr doc, const char* filename, int backup, char** error) {
    const char* slash = strrchr(filename, '/');
    char* dir = slash ? g_strndup(filename, (gsize)(slash - filename + 1)) : g_strdup("./");
    char* tmpname = g_strconcat(dir, "__zefXXXXXX", nullptr);
    g_free(dir);
    char* bakname = g_strconcat(filename, "~", nullptr);
    char* why = nullptr;

    // Created exclusively with a unique name.
    int fd = g_mkstemp_full(tmpname, O_WRONLY | O_CLOEXEC, 0644);
    int result = 0;
    if (fd < 0) {
        int failure = errno;
        why =
            g_strdup_printf("Couldn't open: '%s' for writing: %s.\n", tmpname, g_strerror(failure));
        xmlFreeDoc(doc);
    } else {
        close(fd);
        xmlSetDocCompressMode(doc, 0);
        int written = xml_save_file(tmpname, doc);
        int write_error = errno;
        xmlFreeDoc(doc);
        if (written < 0) {
            g_unlink(tmpname);
            why = g_strdup_printf("Couldn't write: '%s': %s.\n", filename, g_strerror(write_error));
        } else {
            // The target is replaced in one rename; with backup it first moves to
            // "name~" and comes back when the final rename fails.
            bool have_target = g_file_test(filename, G_FILE_TEST_EXISTS);
            bool backed_up = false;
            bool ok = true;
            if (backup && have_target) {
                g_unlink(bakname);
                if (rename_file(filename, bakname) == 0) {
                    backed_up = true;
                } else {
                    ok = false;
                    why = g_strdup_printf("Couldn't rename: '%s' to '%s': %s.\n", filename, bakname,
                                          g_strerror(errno));
                }
            }
            if (ok && rename_file(tmpname, filename) != 0) {
                ok = false;
                why = g_strdup_printf("Couldn't rename: '%s' to '%s': %s.\n", tmpname, filename,
                                      g_strerror(errno));
                if (backed_up) g_rename(bakname, filename);
            }
            if (!ok) g_unlink(tmpname);
            result = ok ? 1 : 0;
        }
    }
    g_free(tmpname);
    g_free(bakname);
    if (error)
        *error = why;
    else
        g_free(why);
    return result;
}

int diagram_file_save(diagram_data* data, const char* filename, int backup,
                      const FileSection* sections) {
    xmlDocPtr doc = build_document(data, filename, sections);
    if (!doc) return 0;
    char* why = nullptr;
    const int result = diagram_file_write(doc, filename, backup, &why);
    if (why) message_error("%s", why);
    g_free(why);
    return result;
}

// ---- Loading ----

namespace {

struct loaded_object {
    xmlNodePtr node;
    diagram_object* obj;
};

bool named(xmlNodePtr node, const char* name) {
    return node && strcmp((const char*)node->name, name) == 0;
}

void read_objects(xmlNodePtr layer_node, layer* l, const char* filename, GHashTable* ids,
                  GArray* loaded) {
    GPtrArray* unknown = g_ptr_array_new_with_free_func(g_free);
    GList* objects = nullptr;  // newest first: appending one by one is quadratic
    for (xmlNodePtr node = xml_first_child(layer_node); node; node = xml_next_sibling(node)) {
        if (!named(node, "object")) {
            message_error("Error reading diagram file\n");
            continue;
        }
        xmlChar* type_name = xmlGetProp(node, X("type"));
        object_type* type = type_registry_find(type_name ? (const char*)type_name : "");
        if (!type) {
            const char* name = type_name ? (const char*)type_name : "";
            bool seen = false;
            for (guint i = 0; i < unknown->len; i++)
                if (strcmp((const char*)g_ptr_array_index(unknown, i), name) == 0) seen = true;
            if (!seen) g_ptr_array_add(unknown, g_strdup(name));
            if (type_name) xmlFree(type_name);
            continue;
        }
        if (type_name) xmlFree(type_name);
        int version = xml_prop_int(node, "version");
        diagram_object* obj = type->ops->load(node, version, filename);
        if (!obj) continue;
        objects = g_list_prepend(objects, obj);
        xmlChar* id = xmlGetProp(node, X("id"));
        if (id) {
            if (g_hash_table_contains(ids, id)) {
                message_warning(
                    "Warning:\nDuplicate object id %s found -- links go to the first object.",
                    (char*)id);
                xmlFree(id);
            } else {
                g_hash_table_insert(ids, g_strdup((const char*)id), obj);
                xmlFree(id);
            }
        }
        loaded_object lo = {node, obj};
        g_array_append_val(loaded, lo);
    }
    l->objects = g_list_concat(l->objects, g_list_reverse(objects));
    if (unknown->len > 0) {
        GString* msg = g_string_new("Unknown types while reading diagram file");
        for (guint i = 0; i < unknown->len; i++) {
            g_string_append_c(msg, '\n');
            g_string_append(msg, (const char*)g_ptr_array_index(unknown, i));
        }
        message_error("%s", msg->str);
        g_string_free(msg, TRUE);
    }
    g_ptr_array_free(unknown, TRUE);
}

// A repaired or dropped connection is reported with the object, the handle
// and the point it named, and what was kept in their place.
void connection_message(message_icon icon, const char* text, const loaded_object* lo,
                        const std::string& named, const std::string& kept) {
    char* name = xml_object_name(lo->node);
    const char* format = "%s\n%s: %s -> %s";
    if (icon == MESSAGE_ICON_ERROR)
        message_error(format, text, name, named.c_str(), kept.c_str());
    else
        message_warning(format, text, name, named.c_str(), kept.c_str());
    g_free(name);
}

void read_connections(const loaded_object* lo, GHashTable* ids) {
    diagram_object* obj = lo->obj;
    xmlNodePtr conns = xml_find_child(lo->node, "connections");
    if (!conns) return;
    for (xmlNodePtr c = xml_first_child(conns); c; c = xml_next_sibling(c)) {
        int handle = xml_prop_int(c, "handle");
        int conn = xml_prop_int(c, "connection");
        xmlChar* to = xmlGetProp(c, X("to"));
        diagram_object* target = to ? (diagram_object*)g_hash_table_lookup(ids, to) : nullptr;
        char* to_text = g_strndup(to ? (const char*)to : "", 12);
        if (to) xmlFree(to);
        const std::string named = "handle " + std::to_string(handle) + " to point " +
                                  std::to_string(conn) + " of " + to_text;
        g_free(to_text);
        if (!target) {
            connection_message(MESSAGE_ICON_ERROR,
                               "Error loading diagram.\nLinked object not found in document.", lo,
                               named, "not connected");
            continue;
        }
        if (conn >= target->num_connections && target->num_connections > 0) {
            conn %= target->num_connections;
            connection_message(
                MESSAGE_ICON_WARNING,
                "Warning:\nConnection to missing connection point\nfound -- corrected.", lo, named,
                "point " + std::to_string(conn));
        }
        if (handle >= obj->num_handles && obj->num_handles > 0) {
            int n = obj->num_handles;
            for (int k = 0; k < n; k++) {
                int h = (handle % n + k) % n;
                if (obj->handles[h]->connect_type == HANDLE_CONNECTABLE) {
                    handle = h;
                    connection_message(MESSAGE_ICON_WARNING,
                                       "Warning:\nConnection with non-existing connection\nhandle "
                                       "found -- corrected.",
                                       lo, named, "handle " + std::to_string(h));
                    break;
                }
            }
        }
        if (conn < 0 || conn >= target->num_connections) {
            connection_message(MESSAGE_ICON_ERROR,
                               "Error loading diagram.\nConnection point does not exist.", lo,
                               named, "not connected");
        } else if (handle >= 0 && handle < obj->num_handles) {
            object_handle* hd = obj->handles[handle];
            connection_point* cp = target->connections[conn];
            // A handle hangs on one point only; a second link in a damaged file replaces the first.
            if (hd->connected_to) handle_detach(obj, hd);
            if (handle_attach(obj, hd, cp)) {
                Point to_pos = cp->pos;
                obj->ops->move_handle(obj, hd, &to_pos, 2, 0);
            }
        } else {
            connection_message(MESSAGE_ICON_ERROR,
                               "Error loading diagram.\nConnection handle does not exist.", lo,
                               named, "not connected");
        }
    }
}

// Object numbers name objects in messages and in the model sections, so each
// must be unique and in range, and the counter above all of them: a number
// that repeats (after its first holder) or lies outside gets a new one, and a
// counter out of range or below a number in use is corrected.
void renumber_objects(diagram_data* data, GArray* loaded) {
    GHashTable* seen = g_hash_table_new(g_direct_hash, g_direct_equal);
    GArray* renumber = g_array_new(FALSE, FALSE, sizeof(guint));
    int highest = 0;
    for (guint i = 0; i < loaded->len; i++) {
        diagram_object* obj = g_array_index(loaded, loaded_object, i).obj;
        if (obj->xref == 0) continue;
        if (obj->xref < 0 || obj->xref > OBJECT_NUMBER_MAX ||
            g_hash_table_contains(seen, GINT_TO_POINTER(obj->xref))) {
            g_array_append_val(renumber, i);
            continue;
        }
        g_hash_table_add(seen, GINT_TO_POINTER(obj->xref));
        highest = MAX(highest, obj->xref);
    }
    g_hash_table_destroy(seen);

    GString* lines = g_string_new(nullptr);
    if (data->xref_max < highest || data->xref_max > OBJECT_NUMBER_MAX) {
        g_string_append_printf(lines, "\nxref_max %d -> %d", data->xref_max, highest);
        data->xref_max = highest;
    }
    for (guint k = 0; k < renumber->len; k++) {
        const loaded_object& lo =
            g_array_index(loaded, loaded_object, g_array_index(renumber, guint, k));
        int old_number = lo.obj->xref;
        lo.obj->xref = 0;
        object_assign_xref(data, lo.obj);
        // Every one is listed: the program's box shows a long list in a
        // details area that scrolls.
        char* desc = xml_object_description(lo.node);
        g_string_append_printf(lines, "\n%s: %d -> %d", desc, old_number, lo.obj->xref);
        g_free(desc);
    }
    if (lines->len > 0)
        message_warning(
            "Warning:\nObject numbers that repeat or are out of range were renumbered:%s",
            lines->str);
    g_string_free(lines, TRUE);
    g_array_free(renumber, TRUE);
}

}  // namespace

namespace {

// Internal entities may stand for far more text than the file holds (a
// 100 kB entity used 10,000 times is a gigabyte). The tree keeps them as
// references; what they would expand to is counted before anything reads
// a value, and a file whose references stand for more than this multiple of
// its own size is refused.
const int ENTITY_EXPANSION_LIMIT = 4;

struct entity_count {
    xmlDocPtr doc;
    GHashTable* sizes;  // entity -> expanded bytes + 1 (0: not yet known)
    guint64 limit;
};

guint64 entity_size(entity_count* c, xmlEntityPtr ent, int depth);

// The bytes of an entity's replacement text with the references inside it expanded.
guint64 text_size(entity_count* c, const xmlChar* text, int depth) {
    guint64 size = 0;
    for (const xmlChar* p = text; p && *p; p++) {
        if (*p != '&' || p[1] == '#') {
            size++;
            continue;
        }
        const xmlChar* end = (const xmlChar*)strchr((const char*)p, ';');
        if (!end) {
            size++;
            continue;
        }
        char* name = g_strndup((const char*)p + 1, (gsize)(end - p - 1));
        xmlEntityPtr inner = xmlGetDocEntity(c->doc, X(name));
        g_free(name);
        size += inner ? entity_size(c, inner, depth + 1) : (guint64)(end - p + 1);
        p = end;
        if (size > c->limit) break;
    }
    return size;
}

guint64 entity_size(entity_count* c, xmlEntityPtr ent, int depth) {
    if (ent->etype == XML_INTERNAL_PREDEFINED_ENTITY) return 1;
    if (depth > 40) return c->limit + 1;  // nested beyond reason, or a loop
    gpointer known = g_hash_table_lookup(c->sizes, ent);
    if (known) return *(guint64*)known - 1;
    guint64 size = text_size(c, ent->content, depth);
    guint64* stored = g_new(guint64, 1);
    *stored = size + 1;
    g_hash_table_insert(c->sizes, ent, stored);
    return size;
}

// Sums what the references of the subtree stand for; stops past the limit.
void count_references(entity_count* c, xmlNodePtr node, guint64* total) {
    for (xmlNodePtr n = node; n && *total <= c->limit; n = n->next) {
        if (n->type == XML_ENTITY_REF_NODE) {
            xmlEntityPtr ent = xmlGetDocEntity(c->doc, n->name);
            if (ent) *total += entity_size(c, ent, 0);
            continue;  // its children are the entity's own, counted above
        }
        if (n->type != XML_ELEMENT_NODE) continue;
        for (xmlAttrPtr a = n->properties; a; a = a->next) count_references(c, a->children, total);
        count_references(c, n->children, total);
    }
}

bool entities_within_limit(xmlDocPtr doc, goffset file_size) {
    if (!doc->intSubset && !doc->extSubset) return true;  // nothing declared
    entity_count c{doc, g_hash_table_new_full(g_direct_hash, g_direct_equal, nullptr, g_free),
                   (guint64)MAX(file_size, 0) * ENTITY_EXPANSION_LIMIT};
    guint64 total = 0;
    count_references(&c, doc->children, &total);
    g_hash_table_destroy(c.sizes);
    return total <= c.limit;
}

// What the parser may build for one file: a tree is several times the text
// it comes from (a node for each element, attribute, text and reference),
// and a hostile file can make it many times more (a reference of a few
// bytes is a node of its own). The parser counts what it builds and stops
// past this multiple of the file's bytes or past the ceiling, whichever
// comes first; no file larger than the ceiling is read at all.
const guint64 TREE_MULTIPLE = 32;
const guint64 TREE_CEILING = 160ull << 20;
// Bytes of one node of the tree with its allocation, before its text.
const guint64 NODE_BYTES = 160;

struct tree_budget {
    guint64 used = 0;
    guint64 limit = 0;
    bool exceeded = false;
    std::string parser_limit;  // the first of the parser's own limits the file exceeds
};

// Counts bytes against the budget; false (and the parser stopped) past it.
bool spend(void* ctx, guint64 bytes) {
    xmlParserCtxtPtr ctxt = (xmlParserCtxtPtr)ctx;
    tree_budget* b = (tree_budget*)ctxt->_private;
    if (b->exceeded) return false;
    b->used += bytes;
    if (b->used <= b->limit) return true;
    b->exceeded = true;
    xmlStopParser(ctxt);
    return false;
}

// The nodes a text with references becomes: one per reference and the
// text between them.
guint64 text_cost(const xmlChar* text, const xmlChar* end) {
    static const char* const predefined[] = {"amp;", "lt;", "gt;", "quot;", "apos;"};
    guint64 cost = NODE_BYTES + (guint64)(end - text);
    for (const xmlChar* p = text; p < end; p++) {
        if (*p != '&' || p + 1 >= end || p[1] == '#') continue;
        bool plain = false;
        for (const char* name : predefined)
            plain = plain || ((gsize)(end - p - 1) >= strlen(name) &&
                              memcmp(p + 1, name, strlen(name)) == 0);
        if (!plain) cost += 2 * NODE_BYTES;
    }
    return cost;
}

void budget_start(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* URI,
                  int nb_namespaces, const xmlChar** namespaces, int nb_attributes,
                  int nb_defaulted, const xmlChar** attributes) {
    guint64 cost = NODE_BYTES + (guint64)nb_namespaces * NODE_BYTES;
    for (int i = 0; i < nb_attributes; i++)
        cost += NODE_BYTES + text_cost(attributes[5 * i + 3], attributes[5 * i + 4]);
    if (spend(ctx, cost))
        xmlSAX2StartElementNs(ctx, localname, prefix, URI, nb_namespaces, namespaces, nb_attributes,
                              nb_defaulted, attributes);
}

void budget_characters(void* ctx, const xmlChar* ch, int len) {
    if (spend(ctx, NODE_BYTES + (guint64)MAX(len, 0))) xmlSAX2Characters(ctx, ch, len);
}

void budget_whitespace(void* ctx, const xmlChar* ch, int len) {
    if (spend(ctx, NODE_BYTES + (guint64)MAX(len, 0))) xmlSAX2IgnorableWhitespace(ctx, ch, len);
}

void budget_cdata(void* ctx, const xmlChar* ch, int len) {
    if (spend(ctx, NODE_BYTES + (guint64)MAX(len, 0))) xmlSAX2CDataBlock(ctx, ch, len);
}

void budget_reference(void* ctx, const xmlChar* name) {
    if (spend(ctx, NODE_BYTES)) xmlSAX2Reference(ctx, name);
}

void budget_comment(void* ctx, const xmlChar* value) {
    if (spend(ctx, NODE_BYTES + strlen((const char*)value))) xmlSAX2Comment(ctx, value);
}

void budget_instruction(void* ctx, const xmlChar* target, const xmlChar* data) {
    if (spend(ctx, NODE_BYTES + (data ? strlen((const char*)data) : 0)))
        xmlSAX2ProcessingInstruction(ctx, target, data);
}

void budget_entity(void* ctx, const xmlChar* name, int type, const xmlChar* publicId,
                   const xmlChar* systemId, xmlChar* content) {
    if (spend(ctx, NODE_BYTES + (content ? strlen((const char*)content) : 0)))
        xmlSAX2EntityDecl(ctx, name, type, publicId, systemId, content);
}

// What the file exceeds when the parser refused it for one of its own
// limits; empty for any other error.
std::string parser_limit(const xmlError* e) {
    const char* m = e && e->message ? e->message : "";
    char text[200];
    if (strstr(m, "Excessive depth")) {
        g_snprintf(text, sizeof text, "its elements are nested deeper than %u levels",
                   xmlParserMaxDepth);
    } else if (e && e->code == XML_ERR_NAME_TOO_LONG) {
        g_snprintf(text, sizeof text, "a name in it is longer than %d bytes", XML_MAX_NAME_LENGTH);
    } else if (strstr(m, "too long") || strstr(m, "Huge input") || strstr(m, "huge")) {
        g_snprintf(text, sizeof text, "a text or attribute value in it is longer than %d bytes",
                   XML_MAX_TEXT_LENGTH);
    } else {
        return std::string();
    }
    return text;
}

// The parser's own messages are not printed (the load says what failed);
// the first limit of its own that the file exceeds is kept.
void parser_error(void* ctx, xmlErrorPtr e) {
    tree_budget* b = (tree_budget*)((xmlParserCtxtPtr)ctx)->_private;
    if (b && b->parser_limit.empty()) b->parser_limit = parser_limit(e);
}

// Holds the library's messages for the length of one load, so the user is
// told everything in one message.
struct message_hold {
    message_hold() { message_hold_begin(); }
    ~message_hold() { message_hold_end(); }
};

}  // namespace

int diagram_file_load(const char* filename, diagram_data* data, const FileSection* sections) {
    message_hold held;
    FILE* f = fopen(filename, "rb");
    if (!f) {
        message_error("Couldn't open: '%s' for reading.\n", filename);
        return 0;
    }
    fclose(f);
    if (g_file_test(filename, G_FILE_TEST_IS_DIR)) {
        message_error("You must specify a file, not a directory.\n");
        return 0;
    }
    // The file is read whole first and parsed from memory, as plain XML:
    // the parser would inflate a compressed file without bound.
    // Read with a bound, also where the name is a device or a pipe that has
    // no size.
    gchar* bytes = nullptr;
    gsize size = 0;
    bool read_ok = false;
    if (FILE* in = fopen(filename, "rb")) {
        gsize capacity = 0;
        for (;;) {
            if (size == capacity) {
                capacity = capacity ? capacity * 2 : 64 * 1024;
                if (capacity > TREE_CEILING + 1) capacity = TREE_CEILING + 1;
                bytes = (gchar*)g_realloc(bytes, capacity + 1);
            }
            const size_t n = fread(bytes + size, 1, capacity - size, in);
            size += n;
            if (n == 0 || size > TREE_CEILING) break;
        }
        read_ok = !ferror(in);
        fclose(in);
    }
    if (bytes) bytes[size] = 0;
    if (!read_ok) {
        message_error("Couldn't open: '%s' for reading.\n", filename);
        g_free(bytes);
        return 0;
    }
    if (size > TREE_CEILING) {
        message_error(
            "Error loading diagram %s.\nIt is larger than a scenario file can be (more than %u "
            "MB); the file was not opened.",
            filename, (unsigned)(TREE_CEILING >> 20));
        g_free(bytes);
        return 0;
    }
    const unsigned char* head = (const unsigned char*)bytes;
    if ((size >= 2 && head[0] == 0x1f && head[1] == 0x8b) || (size >= 6 && memcmp(bytes,
                                                                                  "\xfd"
                                                                                  "7zXZ\0",
                                                                                  6) == 0)) {
        message_error(
            "Error loading diagram %s.\nIt is compressed; scenario files are read as plain XML "
            "only. Decompress it and open the result.",
            filename);
        g_free(bytes);
        return 0;
    }
    if (size > (gsize)INT_MAX) size = (gsize)INT_MAX;  // beyond the ceiling anyway
    tree_budget budget;
    budget.limit = MIN((guint64)size * TREE_MULTIPLE, TREE_CEILING);
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    xmlDocPtr doc = nullptr;
    std::string limit;
    if (ctxt) {
        xmlSAXHandler* sax = ctxt->sax;
        sax->startElementNs = budget_start;
        sax->characters = budget_characters;
        sax->ignorableWhitespace = budget_whitespace;
        sax->cdataBlock = budget_cdata;
        sax->reference = budget_reference;
        sax->comment = budget_comment;
        sax->processingInstruction = budget_instruction;
        sax->entityDecl = budget_entity;
        sax->serror = parser_error;
        ctxt->_private = &budget;
        // No network, no external entities or DTDs: the file may come from anyone.
        doc = xmlCtxtReadMemory(ctxt, bytes, (int)size, filename, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (!budget.exceeded) limit = budget.parser_limit;
        xmlFreeParserCtxt(ctxt);
    }
    g_free(bytes);
    if (budget.exceeded) {
        if (doc) xmlFreeDoc(doc);
        message_error(
            "Error loading diagram %s.\nReading it would take more than %u times its size in "
            "memory (at most %u MB); the file was not opened.",
            filename, (unsigned)TREE_MULTIPLE, (unsigned)(TREE_CEILING >> 20));
        return 0;
    }
    if (!limit.empty()) {
        if (doc) xmlFreeDoc(doc);
        message_error("Error loading diagram %s.\nIt exceeds what a scenario file may hold: %s.",
                      filename, limit.c_str());
        return 0;
    }
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (!root || !xml_first_child(root)) {
        message_error("Error loading diagram %s.\nUnknown file type.", filename);
        if (doc) xmlFreeDoc(doc);
        return 0;
    }
    if (!named(root, "diagram") || !xmlSearchNs(doc, root, X("zef"))) {
        message_error("Error loading diagram %s.\nNot a ZEF Scenario file.", filename);
        xmlFreeDoc(doc);
        return 0;
    }
    if (!entities_within_limit(doc, (goffset)size)) {
        message_error(
            "Error loading diagram %s.\nIts entities would expand it to more than %d times its "
            "size; the file was not opened.",
            filename, ENTITY_EXPANSION_LIMIT);
        xmlFreeDoc(doc);
        return 0;
    }
    if (file_check && !file_check(root, filename)) {
        xmlFreeDoc(doc);
        return 0;
    }

    // The default layer gives way to the file's layers.
    for (guint i = 0; i < data->layers->len; i++)
        layer_free((layer*)g_ptr_array_index(data->layers, i));
    g_ptr_array_set_size(data->layers, 0);
    data->active_layer = nullptr;
    diagram_selected_clear(data);

    xml_damage_begin();
    xmlNodePtr node = xml_first_child(root);
    if (!named(node, "layer")) {
        data->scaling = (float)xml_attr_single(node, "scaling", 1.0);
        data->xref_max = xml_attr_int(node, "xref_max", 0);
        node = xml_next_sibling(node);
    }

    GHashTable* ids = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, nullptr);
    GArray* loaded = g_array_new(FALSE, FALSE, sizeof(loaded_object));
    for (; named(node, "layer"); node = xml_next_sibling(node)) {
        xmlChar* name = xmlGetProp(node, X("name"));
        char* local = name ? text_utf8_to_locale((const char*)name) : nullptr;
        if (name) xmlFree(name);
        layer* l = layer_create(local ? local : g_strdup(""));
        xmlChar* visible = xmlGetProp(node, X("visible"));
        l->visible = visible && strcmp((const char*)visible, "true") == 0;
        if (visible) xmlFree(visible);
        read_objects(node, l, filename, ids, loaded);
        g_ptr_array_add(data->layers, l);
    }
    // Connections after every layer is read.
    for (guint i = 0; i < loaded->len; i++)
        read_connections(&g_array_index(loaded, loaded_object, i), ids);
    renumber_objects(data, loaded);
    g_array_free(loaded, TRUE);
    g_hash_table_destroy(ids);

    for (; node && !named(node, "models"); node = xml_next_sibling(node)) {
    }
    if (node)
        for (xmlNodePtr section = xml_first_child(node); section;
             section = xml_next_sibling(section))
            for (const FileSection* s = sections; s && s->user_data; s++)
                if (strcmp((const char*)section->name, s->name) == 0 && s->load)
                    s->load(s->user_data, section);

    if (data->layers->len == 0) g_ptr_array_add(data->layers, layer_create(g_strdup("Background")));
    data->active_layer = (layer*)g_ptr_array_index(data->layers, 0);
    for (guint i = 0; i < data->layers->len; i++)
        layer_update_extents((layer*)g_ptr_array_index(data->layers, i));
    diagram_update_extents(data);
    xml_damage_end();
    xmlFreeDoc(doc);
    return 1;
}
