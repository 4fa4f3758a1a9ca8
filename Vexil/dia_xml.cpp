// Typed attributes: writers and readers over libxml2's tree interface.
#include "vexil/dia_xml.h"

#include <glib.h>
#include <libxml/entities.h>
#include <libxml/xmlsave.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "vexil/message.h"

namespace {

const char *const data_type_names[] = {"composite", "int",       "enum",   "real", "boolean",
                                       "color",     "point",     "rectangle", "string", "font"};

xmlChar *X(const char *s)
{
  return (xmlChar *)s;
}

// A child without namespace (xmlNewChild would take the parent's).
xmlNodePtr new_child(xmlNodePtr parent, const char *name, const char *content = nullptr)
{
  xmlNodePtr node = xmlNewDocNode(parent->doc, nullptr, X(name), content ? X(content) : nullptr);
  return xmlAddChild(parent, node);
}

bool is_element(xmlNodePtr node)
{
  return node && node->type == XML_ELEMENT_NODE;
}

void format_real(char *buf, size_t len, double value)
{
  g_ascii_formatd(buf, (int)len, "%g", value);
}

}  // namespace

AttributeNode xml_new_attribute(xmlNodePtr parent, const char *name)
{
  xmlNodePtr attr = new_child(parent, "attribute");
  xmlSetProp(attr, X("name"), X(name));
  return attr;
}

void xml_add_int(AttributeNode attr, int value)
{
  char buf[20];
  g_snprintf(buf, sizeof buf, "%d", value);
  xmlNodePtr data = new_child(attr, "int");
  xmlSetProp(data, X("val"), X(buf));
}

void xml_add_enum(AttributeNode attr, int value)
{
  char buf[20];
  g_snprintf(buf, sizeof buf, "%d", value);
  xmlNodePtr data = new_child(attr, "enum");
  xmlSetProp(data, X("val"), X(buf));
}

void xml_add_real(AttributeNode attr, double value)
{
  char buf[G_ASCII_DTOSTR_BUF_SIZE];
  format_real(buf, sizeof buf, value);
  xmlNodePtr data = new_child(attr, "real");
  xmlSetProp(data, X("val"), X(buf));
}

void xml_add_boolean(AttributeNode attr, int value)
{
  xmlNodePtr data = new_child(attr, "boolean");
  xmlSetProp(data, X("val"), X(value ? "true" : "false"));
}

void xml_add_point(AttributeNode attr, const Point *point)
{
  char bx[G_ASCII_DTOSTR_BUF_SIZE], by[G_ASCII_DTOSTR_BUF_SIZE];
  format_real(bx, sizeof bx, point->x);
  format_real(by, sizeof by, point->y);
  char *val = g_strconcat(bx, ",", by, nullptr);
  xmlNodePtr data = new_child(attr, "point");
  xmlSetProp(data, X("val"), X(val));
  g_free(val);
}

void xml_add_rectangle(AttributeNode attr, const Rectangle *rect)
{
  char l[G_ASCII_DTOSTR_BUF_SIZE], t[G_ASCII_DTOSTR_BUF_SIZE], r[G_ASCII_DTOSTR_BUF_SIZE],
      b[G_ASCII_DTOSTR_BUF_SIZE];
  format_real(l, sizeof l, rect->left);
  format_real(t, sizeof t, rect->top);
  format_real(r, sizeof r, rect->right);
  format_real(b, sizeof b, rect->bottom);
  char *val = g_strconcat(l, ",", t, ";", r, ",", b, nullptr);
  xmlNodePtr data = new_child(attr, "rectangle");
  xmlSetProp(data, X("val"), X(val));
  g_free(val);
}

void xml_add_string(AttributeNode attr, const char *text)
{
  if (!text) {
    new_child(attr, "string");
    return;
  }
  char *utf8 = text_locale_to_utf8(text);
  if (!utf8)
    utf8 = g_strdup("");
  xmlChar *escaped = xmlEncodeEntitiesReentrant(attr->doc, X(utf8));
  char *framed = g_strconcat("#", (const char *)escaped, "#", nullptr);
  new_child(attr, "string", framed);
  g_free(framed);
  xmlFree(escaped);
  g_free(utf8);
}

DataNode xml_add_composite(AttributeNode attr, const char *type_name)
{
  xmlNodePtr data = new_child(attr, "composite");
  if (type_name)
    xmlSetProp(data, X("type"), X(type_name));
  return data;
}

// ---- Saving ----

namespace {

xml_write_fn write_function = nullptr;

struct save_target {
  int fd;
  bool failed;
};

int save_write(void *context, const char *buffer, int len)
{
  save_target *t = (save_target *)context;
  int done = 0;
  while (done < len) {
    ssize_t n = write_function ? write_function(t->fd, buffer + done, (size_t)(len - done))
                               : write(t->fd, buffer + done, (size_t)(len - done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      t->failed = true;
      return -1;
    }
    done += (int)n;
  }
  return len;
}

int save_close(void *)
{
  return 0;
}

}  // namespace

void xml_set_write_function(xml_write_fn fn)
{
  write_function = fn;
}

int xml_save_file(const char *filename, xmlDocPtr doc)
{
  int fd = open(filename, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    return -1;
  save_target target{fd, false};
  int old_blanks = xmlKeepBlanksDefault(0);
  int old_indent = xmlIndentTreeOutput;
  xmlIndentTreeOutput = 1;
  xmlOutputBufferPtr out = xmlOutputBufferCreateIO(save_write, save_close, &target,
                                                   xmlFindCharEncodingHandler("UTF-8"));
  int result = -1;
  if (out)
    result = xmlSaveFormatFileTo(out, doc, "UTF-8", 1);  // closes the buffer
  xmlIndentTreeOutput = old_indent;
  xmlKeepBlanksDefault(old_blanks);
  if (target.failed)
    result = -1;
  if (result >= 0 && fsync(fd) != 0 && errno != EINVAL)
    result = -1;
  if (close(fd) != 0)
    result = -1;
  return result;
}

// ---- Reading ----

static xmlNodePtr skip_to_element(xmlNodePtr c)
{
  while (c && !is_element(c))
    c = c->next;
  return c;
}

xmlNodePtr xml_first_child(xmlNodePtr node)
{
  return node ? skip_to_element(node->children) : nullptr;
}

xmlNodePtr xml_next_sibling(xmlNodePtr node)
{
  return node ? skip_to_element(node->next) : nullptr;
}

AttributeNode xml_find_attribute(xmlNodePtr obj_node, const char *name)
{
  for (xmlNodePtr c = xml_first_child(obj_node); c; c = xml_next_sibling(c)) {
    xmlChar *n = xmlGetProp(c, X("name"));
    if (n) {
      bool match = strcmp((const char *)n, name) == 0;
      xmlFree(n);
      if (match)
        return c;
    }
  }
  return nullptr;
}

DataNode xml_attribute_data(AttributeNode attr)
{
  return xml_first_child(attr);
}

DataNode xml_data_next(DataNode data)
{
  return xml_next_sibling(data);
}

xmlNodePtr xml_find_child(xmlNodePtr node, const char *element_name)
{
  for (xmlNodePtr c = xml_first_child(node); c; c = xml_next_sibling(c))
    if (strcmp((const char *)c->name, element_name) == 0)
      return c;
  return nullptr;
}

int xml_data_type(DataNode data)
{
  if (data && data->name)
    for (int i = 0; i < (int)G_N_ELEMENTS(data_type_names); i++)
      if (strcmp((const char *)data->name, data_type_names[i]) == 0)
        return i;
  message_error("Unknown type of DataNode");
  return 0;
}

int xml_prop_int(xmlNodePtr node, const char *prop)
{
  xmlChar *val = xmlGetProp(node, X(prop));
  if (!val)
    return 0;
  gint64 v = g_ascii_strtoll((const char *)val, nullptr, 10);
  xmlFree(val);
  if (v > G_MAXINT)
    v = G_MAXINT;
  if (v < G_MININT)
    v = G_MININT;
  return (int)v;
}

int xml_data_int(DataNode data)
{
  if (xml_data_type(data) != DATATYPE_INT) {
    message_error("Taking int value of non-int node.");
    return 0;
  }
  return xml_prop_int(data, "val");
}

int xml_data_enum(DataNode data)
{
  if (xml_data_type(data) != DATATYPE_ENUM) {
    message_error("Taking enum value of non-enum node.");
    return 0;
  }
  return xml_prop_int(data, "val");
}

double xml_data_real(DataNode data)
{
  if (xml_data_type(data) != DATATYPE_REAL) {
    message_error("Taking real value of non-real node.");
    return 0.0;
  }
  xmlChar *val = xmlGetProp(data, X("val"));
  if (!val)
    return 0.0;
  double v = g_ascii_strtod((const char *)val, nullptr);
  xmlFree(val);
  return v;
}

int xml_data_boolean(DataNode data)
{
  if (xml_data_type(data) != DATATYPE_BOOLEAN) {
    message_error("Taking boolean value of non-boolean node.");
    return 0;
  }
  xmlChar *val = xmlGetProp(data, X("val"));
  int v = val && strcmp((const char *)val, "true") == 0;
  if (val)
    xmlFree(val);
  return v;
}

// A coordinate out of the sane range becomes 0: large or non-finite ones
// with a warning, tiny ones silently.
static double sane_coordinate(const char *text, double v, const char *axis_warning)
{
  double a = std::fabs(v);
  if (!std::isfinite(v) || a > 1e9) {
    message_log_warning(axis_warning, text, v);
    return 0.0;
  }
  if (a < 1e-9)
    return 0.0;
  return v;
}

void xml_data_point(DataNode data, Point *point)
{
  if (xml_data_type(data) != DATATYPE_POINT) {
    message_error("Taking point value of non-point node.");
    return;
  }
  xmlChar *val = xmlGetProp(data, X("val"));
  const char *text = val ? (const char *)val : "";
  char *end;
  double x = g_ascii_strtod(text, &end);
  point->x = sane_coordinate(text, x, "Incorrect x Point value \"%s\" %f; discarding it.");
  const char *comma = strchr(end, ',');
  if (!comma) {
    point->y = 0.0;
    message_log_error("Error parsing point.");
  } else {
    double y = g_ascii_strtod(comma + 1, nullptr);
    point->y = sane_coordinate(comma + 1, y, "Incorrect y Point value \"%s\" %f; discarding it.");
  }
  if (val)
    xmlFree(val);
}

void xml_data_rectangle(DataNode data, Rectangle *rect)
{
  if (xml_data_type(data) != DATATYPE_RECTANGLE) {
    message_error("Taking rectangle value of non-rectangle node.");
    return;
  }
  xmlChar *val = xmlGetProp(data, X("val"));
  const char *text = val ? (const char *)val : "";
  char *end;
  rect->left = g_ascii_strtod(text, &end);
  double *rest[3] = {&rect->top, &rect->right, &rect->bottom};
  const char seps[3] = {',', ';', ','};
  const char *pos = end;
  for (int i = 0; i < 3; i++) {
    const char *sep = strchr(pos, seps[i]);
    if (!sep) {
      message_error("Error parsing rectangle.");
      break;
    }
    *rest[i] = g_ascii_strtod(sep + 1, &end);
    pos = end;
  }
  if (val)
    xmlFree(val);
}

char *xml_data_string(DataNode data)
{
  if (xml_data_type(data) != DATATYPE_STRING) {
    message_error("Taking string value of non-string node.");
    return nullptr;
  }
  xmlChar *val = xmlGetProp(data, X("val"));
  if (val) {
    // The older form: a backslash-escaped value.
    GString *out = g_string_new(nullptr);
    for (const char *p = (const char *)val; *p; p++) {
      if (*p != '\\') {
        g_string_append_c(out, *p);
        continue;
      }
      p++;
      switch (*p) {
      case '\\': g_string_append_c(out, '\\'); break;
      case 'n': g_string_append_c(out, '\n'); break;
      case 't': g_string_append_c(out, '\t'); break;
      case '0': break;
      default:
        message_error("Error in string tag.");
        break;
      }
      if (!*p)
        break;
    }
    xmlFree(val);
    char *utf8 = g_string_free(out, FALSE);
    char *result = text_utf8_to_locale(utf8);
    g_free(utf8);
    return result;
  }
  // An empty element stands for a null text.
  if (!data->children)
    return nullptr;
  xmlChar *content = xmlNodeGetContent(data);
  if (!content)
    return nullptr;
  const char *s = (const char *)content;
  size_t len = strlen(s);
  if (len == 0) {
    xmlFree(content);
    return nullptr;
  }
  if (s[0] != '#')
    message_error("Error in file, string not starting with #\n");
  char *inner = len >= 2 ? g_strndup(s + 1, len - 2) : g_strdup("");
  xmlFree(content);
  char *result = text_utf8_to_locale(inner);
  g_free(inner);
  return result;
}

// ---- Convenience readers ----

DataNode xml_find_data(xmlNodePtr obj_node, const char *name)
{
  AttributeNode attr = xml_find_attribute(obj_node, name);
  return attr ? xml_attribute_data(attr) : nullptr;
}

int xml_attr_int(xmlNodePtr obj_node, const char *name, int dflt)
{
  DataNode data = xml_find_data(obj_node, name);
  return data ? xml_data_int(data) : dflt;
}

int xml_attr_enum(xmlNodePtr obj_node, const char *name, int dflt)
{
  DataNode data = xml_find_data(obj_node, name);
  return data ? xml_data_enum(data) : dflt;
}

double xml_attr_real(xmlNodePtr obj_node, const char *name, double dflt)
{
  DataNode data = xml_find_data(obj_node, name);
  return data ? xml_data_real(data) : dflt;
}

int xml_attr_boolean(xmlNodePtr obj_node, const char *name, int dflt)
{
  DataNode data = xml_find_data(obj_node, name);
  return data ? xml_data_boolean(data) : dflt;
}

void xml_attr_point(xmlNodePtr obj_node, const char *name, Point *point, const Point *dflt)
{
  DataNode data = xml_find_data(obj_node, name);
  if (data)
    xml_data_point(data, point);
  else if (dflt)
    *point = *dflt;
}

char *xml_attr_string(xmlNodePtr obj_node, const char *name, const char *dflt)
{
  DataNode data = xml_find_data(obj_node, name);
  return data ? xml_data_string(data) : g_strdup(dflt);
}
