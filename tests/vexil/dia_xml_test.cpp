// Typed attributes: the written forms, the readers and their repairs.
#include "support.h"

#include <clocale>
#include <cstring>
#include <functional>

#include "vexil/dia_xml.h"

namespace {

class DiaXml : public ::testing::Test {
protected:
    void SetUp() override {
        doc = xmlNewDoc((const xmlChar*)"1.0");
        root = xmlNewDocNode(doc, nullptr, (const xmlChar*)"object", nullptr);
        xmlDocSetRootElement(doc, root);
    }
    void TearDown() override { xmlFreeDoc(doc); }

    std::string val_of(AttributeNode attr) {
        xmlChar* v = xmlGetProp(xml_attribute_data(attr), (const xmlChar*)"val");
        std::string s = v ? (const char*)v : "";
        xmlFree(v);
        return s;
    }

    // A data node parsed from text, e.g. <point val="1,2"/>.
    DataNode parse(const std::string& xml) {
        xmlDocPtr d = xmlReadMemory(xml.c_str(), (int)xml.size(), nullptr, nullptr, 0);
        extra.push_back(d);
        return xmlDocGetRootElement(d);
    }

    ~DiaXml() override {
        for (auto d : extra) xmlFreeDoc(d);
    }

    xmlDocPtr doc;
    xmlNodePtr root;
    std::vector<xmlDocPtr> extra;
};

TEST_F(DiaXml, written_forms) {
    struct Case {
        const char* name;
        std::function<void(AttributeNode)> write;
        const char* expected;
    } cases[] = {
        {"int", [](AttributeNode a) { xml_add_int(a, -42); }, "-42"},
        {"enum", [](AttributeNode a) { xml_add_enum(a, 2); }, "2"},
        {"real_float", [](AttributeNode a) { xml_add_real(a, (double)0.1f); }, "0.1"},
        {"real_six_digits", [](AttributeNode a) { xml_add_real(a, 12345.678); }, "12345.7"},
        {"bool", [](AttributeNode a) { xml_add_boolean(a, 5); }, "true"},
        {"point",
         [](AttributeNode a) {
             Point p{1.5, -2};
             xml_add_point(a, &p);
         },
         "1.5,-2"},
        // top 1, left 2, bottom 3, right 4: written left,top;right,bottom
        {"rect",
         [](AttributeNode a) {
             Rectangle r{1, 2, 3, 4};
             xml_add_rectangle(a, &r);
         },
         "2,1;4,3"},
    };
    for (auto& c : cases) {
        AttributeNode a = xml_new_attribute(root, c.name);
        c.write(a);
        EXPECT_EQ(val_of(a), c.expected) << c.name;
        EXPECT_EQ(xml_find_attribute(root, c.name), a);
    }
}

TEST_F(DiaXml, values_read_back) {
    xml_add_real(xml_new_attribute(root, "r"), 2.5e-7);
    EXPECT_DOUBLE_EQ(xml_attr_real(root, "r", 0), 2.5e-7);
    Point p{3.25, -1}, q;
    xml_add_point(xml_new_attribute(root, "p"), &p);
    xml_attr_point(root, "p", &q, nullptr);
    EXPECT_EQ(q.x, 3.25);
    EXPECT_EQ(q.y, -1);
    Rectangle r{1, 2, 3, 4}, s{};
    xml_add_rectangle(xml_new_attribute(root, "b"), &r);
    xml_data_rectangle(xml_attribute_data(xml_find_attribute(root, "b")), &s);
    EXPECT_EQ(s.top, 1);
    EXPECT_EQ(s.left, 2);
    EXPECT_EQ(s.bottom, 3);
    EXPECT_EQ(s.right, 4);
    xml_add_boolean(xml_new_attribute(root, "t"), 1);
    EXPECT_EQ(xml_attr_boolean(root, "t", 0), 1);
    EXPECT_EQ(xml_attr_int(root, "missing", 17), 17);
}

TEST_F(DiaXml, strings_round_trip_with_entities_and_utf8) {
    MessageCapture cap;
    const char* texts[] = {"a&b <c> \"d\"", "\xc3\xb8-line 4\xc2\xb0", "", "line1\nline2"};
    int i = 0;
    for (const char* t : texts) {
        std::string name = "s" + std::to_string(i++);
        xml_add_string(xml_new_attribute(root, name.c_str()), t);
        char* back = xml_attr_string(root, name.c_str(), nullptr);
        EXPECT_STREQ(back, t);
        g_free(back);
    }
    // A null text is an empty element and reads back as null, silently.
    xml_add_string(xml_new_attribute(root, "null"), nullptr);
    EXPECT_EQ(xml_attr_string(root, "null", "dflt"), nullptr);
    EXPECT_TRUE(cap.messages.empty());
}

TEST_F(DiaXml, string_repairs) {
    struct Case {
        const char* xml;
        const char* expected;
        const char* message;
    } cases[] = {
        {"<string>#a&amp;b#</string>", "a&b", nullptr},
        {"<string>abc</string>", "b", "Error in file, string not starting with #\n"},
        {"<string>x</string>", "", "Error in file, string not starting with #\n"},
        {"<string>#</string>", "", nullptr},
        {"<string val=\"a\\nb\"/>", "a\nb", nullptr},
        {"<string val=\"\\0\"/>", "", nullptr},
        {"<string val=\"a\\qb\"/>", "ab", "Error in string tag."},
        {"<string val=\"tab\\t\\\\\"/>", "tab\t\\", nullptr},
        {"<int val=\"1\"/>", nullptr, "Taking string value of non-string node."},
    };
    for (auto& c : cases) {
        MessageCapture cap;
        char* s = xml_data_string(parse(c.xml));
        if (c.expected) {
            EXPECT_STREQ(s, c.expected) << c.xml;
        } else {
            EXPECT_EQ(s, nullptr) << c.xml;
        }
        g_free(s);
        if (c.message) {
            ASSERT_EQ(cap.messages.size(), 1u) << c.xml;
            EXPECT_EQ(cap.messages[0].text, c.message);
        } else {
            EXPECT_TRUE(cap.messages.empty()) << c.xml;
        }
    }
}

TEST_F(DiaXml, point_repairs) {
    struct Case {
        const char* val;
        Point expected;
        size_t log_lines;
        const char* log;
    } cases[] = {
        {"1e12,3",
         {0, 3},
         1,
         "Incorrect x Point value \"1e12,3\" 1000000000000.000000; discarding it."},
        {"1e-12,3", {0, 3}, 0, nullptr},
        {"5", {5, 0}, 1, "Error parsing point."},
        {"2,inf", {2, 0}, 1, "Incorrect y Point value \"inf\" inf; discarding it."},
    };
    for (auto& c : cases) {
        LogCapture logs;
        Point p{9, 9};
        std::string xml = std::string("<point val=\"") + c.val + "\"/>";
        xml_data_point(parse(xml), &p);
        EXPECT_EQ(p.x, c.expected.x) << c.val;
        EXPECT_EQ(p.y, c.expected.y) << c.val;
        ASSERT_EQ(logs.lines.size(), c.log_lines) << c.val;
        if (c.log) {
            EXPECT_EQ(logs.lines[0], c.log);
        }
    }
}

TEST_F(DiaXml, rectangle_missing_separator_keeps_remaining_sides) {
    MessageCapture cap;
    Rectangle r{7, 7, 7, 7};
    xml_data_rectangle(parse("<rectangle val=\"1,2\"/>"), &r);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.right, 7);
    EXPECT_EQ(r.bottom, 7);
    EXPECT_EQ(cap.texts(), std::vector<std::string>{"Error parsing rectangle."});
}

TEST_F(DiaXml, type_mismatches_give_message_and_neutral_value) {
    struct Case {
        const char* xml;
        std::function<void(DataNode)> read;
        const char* message;
    } cases[] = {
        {"<real val=\"1\"/>", [](DataNode d) { EXPECT_EQ(xml_data_int(d), 0); },
         "Taking int value of non-int node."},
        {"<int val=\"1\"/>", [](DataNode d) { EXPECT_EQ(xml_data_enum(d), 0); },
         "Taking enum value of non-enum node."},
        {"<int val=\"1\"/>", [](DataNode d) { EXPECT_EQ(xml_data_real(d), 0); },
         "Taking real value of non-real node."},
        {"<int val=\"1\"/>", [](DataNode d) { EXPECT_EQ(xml_data_boolean(d), 0); },
         "Taking boolean value of non-boolean node."},
        {"<int val=\"1\"/>",
         [](DataNode d) {
             Point p{4, 4};
             xml_data_point(d, &p);
             EXPECT_EQ(p.x, 4);
         },
         "Taking point value of non-point node."},
        {"<int val=\"1\"/>",
         [](DataNode d) {
             Rectangle r{4, 4, 4, 4};
             xml_data_rectangle(d, &r);
             EXPECT_EQ(r.top, 4);
         },
         "Taking rectangle value of non-rectangle node."},
    };
    for (auto& c : cases) {
        MessageCapture cap;
        c.read(parse(c.xml));
        EXPECT_EQ(cap.texts(), std::vector<std::string>{c.message});
    }
    MessageCapture cap;
    EXPECT_EQ(xml_data_type(parse("<weird/>")), 0);
    EXPECT_EQ(cap.texts(), std::vector<std::string>{"Unknown type of DataNode"});
    EXPECT_EQ(xml_data_boolean(parse("<boolean val=\"True\"/>")), 0);
    EXPECT_EQ(xml_data_int(parse("<int/>")), 0);
}

// Values whose text is no number of the node's kind keep the caller's
// default, each with a warning that names the object, the attribute, the
// text and what was put in its place (outside a file load, one warning per
// value). A number stored as another kind of number keeps its value when its
// text is one of the wanted kind.
TEST_F(DiaXml, unreadable_numbers_keep_the_default_with_a_warning) {
    enum Reader { INT, ENUM, REAL, SINGLE };
    struct Case {
        Reader reader;
        const char* val;
        double expected;  // 7 is the default handed in
        bool warned;
        const char* element = nullptr;  // stored under another type
        const char* line = nullptr;     // the warning's line after "length "
    } cases[] = {
        {REAL, "4000", 4000, true, "int", "int \"4000\" -> 4000"},
        {REAL, "4000", 4000, true, "enum", "enum \"4000\" -> 4000"},
        {INT, "3", 3, true, "real", "real \"3\" -> 3"},
        {INT, "2.5", 7, true, "real", "real \"2.5\" -> 7 (default)"},
        {REAL, "4000", 7, true, "float", "float \"4000\" -> 7 (default)"},
        {REAL, "4000", 7, true, "point", "point \"4000\" -> 7 (default)"},
        {SINGLE, "1e39", 7, true, "int", "int \"1e39\" -> 7 (default)"},
        {REAL, "4000", 4000, false},
        {REAL, " 2.5e-7 ", 2.5e-7, false},
        {REAL, "four thousand", 7, true},
        {REAL, "12abc", 7, true},
        {REAL, "", 7, true},
        {REAL, "nan", 7, true},
        {REAL, "inf", 7, true},
        {REAL, "-Infinity", 7, true},
        {REAL, "1e999", 7, true},
        {REAL, "1e39", 1e39, false},
        {REAL, "1e-320", 1e-320, false},
        {SINGLE, "1e39", 7, true},
        {SINGLE, "-3.4e38", -3.4e38, false},
        {SINGLE, "nan", 7, true},
        {INT, "300", 300, false},
        {INT, "-1", -1, false},
        {INT, "soon", 7, true},
        {INT, "3.5", 7, true},
        {INT, "99999999999", 7, true},
        {INT, "2147483647", 2147483647, false},
        {ENUM, "x1", 7, true},
        {ENUM, "1", 1, false},
    };
    const char* const elements[] = {"int", "enum", "real", "real"};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(elements[c.reader]) + " \"" + c.val + "\"");
        xmlNodePtr obj = xmlNewDocNode(doc, nullptr, (const xmlChar*)"object", nullptr);
        xmlSetProp(obj, (const xmlChar*)"type", (const xmlChar*)"Pipeline");
        xmlSetProp(obj, (const xmlChar*)"id", (const xmlChar*)"O4");
        xmlAddChild(root, obj);
        AttributeNode a = xml_new_attribute(obj, "length");
        const char* element = c.element ? c.element : elements[c.reader];
        xmlNodePtr data = xmlNewDocNode(doc, nullptr, (const xmlChar*)element, nullptr);
        xmlSetProp(data, (const xmlChar*)"val", (const xmlChar*)c.val);
        xmlAddChild(a, data);
        MessageCapture cap;
        double got = c.reader == INT    ? xml_attr_int(obj, "length", 7)
                     : c.reader == ENUM ? xml_attr_enum(obj, "length", 7)
                     : c.reader == REAL ? xml_attr_real(obj, "length", 7)
                                        : xml_attr_single(obj, "length", 7);
        EXPECT_EQ(got, c.expected);
        std::vector<std::string> expected;
        if (c.warned)
            expected.push_back(
                std::string("Warning:\nValues that could not be read were replaced:\n"
                            "Pipeline (O4): length ") +
                (c.line ? std::string(c.line) : std::string("\"") + c.val + "\" -> 7 (default)"));
        EXPECT_EQ(cap.texts(), expected);
    }
}

// An attribute that is there but holds no value is damage, as an unreadable
// one is: the default with a line saying so, and the replaced-value count
// grows. An absent attribute takes its default silently, and a number kept
// under another type does not count as replaced.
TEST_F(DiaXml, empty_attributes_are_repaired_and_counted) {
    enum Reader { INT, ENUM, REAL, SINGLE, BOOLEAN, STRING };
    struct Case {
        Reader reader;
        const char* inner;  // the attribute element's content; null: no attribute at all
        const char* line;   // the warning's line after "diameter ", null: no warning
        bool replaced;
    } cases[] = {
        {REAL, "", "(empty) -> 7 (default)", true},
        {REAL, "  \n  ", "(empty) -> 7 (default)", true},
        {REAL, "<!-- left out -->", "(empty) -> 7 (default)", true},
        {REAL, "<real/>", "real (empty) -> 7 (default)", true},
        {REAL, "<real val=\"\"/>", "\"\" -> 7 (default)", true},
        {SINGLE, "", "(empty) -> 7 (default)", true},
        {SINGLE, "<real/>", "real (empty) -> 7 (default)", true},
        {INT, "", "(empty) -> 7 (default)", true},
        {INT, "<int/>", "int (empty) -> 7 (default)", true},
        {ENUM, "<enum/>", "enum (empty) -> 7 (default)", true},
        {BOOLEAN, "", "(empty) -> true (default)", true},
        {BOOLEAN, "<boolean/>", "boolean (empty) -> true (default)", true},
        {STRING, "", "(empty) -> \"kept\" (default)", true},
        {REAL, nullptr, nullptr, false},
        {BOOLEAN, nullptr, nullptr, false},
        {STRING, nullptr, nullptr, false},
        {REAL, "<real val=\"0.254\"/>", nullptr, false},
        {REAL, "<int val=\"3\"/>", "int \"3\" -> 3", false},
        {STRING, "<string/>", nullptr, false},  // the written form of a null text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inner ? c.inner : "(absent)");
        std::string xml = "<object type=\"Pipeline\" id=\"O2\">";
        if (c.inner) xml += std::string("<attribute name=\"diameter\">") + c.inner + "</attribute>";
        xml += "</object>";
        xmlNodePtr obj = parse(xml);
        MessageCapture cap;
        const unsigned before = xml_damage_serial();
        switch (c.reader) {
            case INT:
                EXPECT_EQ(xml_attr_int(obj, "diameter", 7), 7);
                break;
            case ENUM:
                EXPECT_EQ(xml_attr_enum(obj, "diameter", 7), 7);
                break;
            case REAL: {
                const bool stored = c.inner && !c.replaced;
                const double entered = c.line ? 3 : 0.254;  // the kept int, the stored real
                EXPECT_EQ(xml_attr_real(obj, "diameter", 7), stored ? entered : 7);
                break;
            }
            case SINGLE:
                EXPECT_EQ(xml_attr_single(obj, "diameter", 7), 7);
                break;
            case BOOLEAN:
                EXPECT_EQ(xml_attr_boolean(obj, "diameter", 1), 1);
                break;
            case STRING: {
                char* text = xml_attr_string(obj, "diameter", "kept");
                if (c.line || !c.inner) {
                    EXPECT_STREQ(text, "kept");
                }
                g_free(text);
                break;
            }
        }
        EXPECT_EQ(xml_damage_serial() - before, c.replaced ? 1u : 0u);
        std::vector<std::string> expected;
        if (c.line)
            expected.push_back(
                "Warning:\nValues that could not be read were replaced:\nPipeline (O2): diameter " +
                std::string(c.line));
        EXPECT_EQ(cap.texts(), expected);
    }
}

// Inside a load the warnings gather into one, which names the object by its
// label (on one line) and the place of a model section's value.
TEST_F(DiaXml, damaged_values_of_one_load_give_one_warning) {
    DataNode file = parse(
        "<models><object type=\"SpillPoint\" id=\"O3\"><attribute name=\"depth\"><real "
        "val=\"-inf\"/></attribute>"
        "</object><object type=\"FlowInlet\" id=\"O0\"><attribute name=\"label\"><composite "
        "type=\"text\">"
        "<attribute "
        "name=\"string\"><string>#Main&#10;wellhead#</string></attribute></composite></attribute>"
        "<attribute name=\"closingtime\"><int val=\"soon\"/></attribute></object>"
        "<fluid><composite type=\"fluid_component\"/><composite "
        "type=\"fluid_component\"><attribute name=\"mole_weight\">"
        "<real val=\"inf\"/></attribute></composite></fluid></models>");
    xmlNodePtr spill = xml_first_child(file), inlet = xml_next_sibling(spill);
    xmlNodePtr second = xml_next_sibling(xml_first_child(xml_next_sibling(inlet)));
    MessageCapture cap;
    xml_damage_begin();
    EXPECT_EQ(xml_attr_single(spill, "depth", 0), 0);
    EXPECT_EQ(xml_attr_int(inlet, "closingtime", -1), -1);
    EXPECT_EQ(xml_attr_single(second, "mole_weight", 0), 0);
    EXPECT_TRUE(cap.texts().empty());
    xml_damage_end();
    EXPECT_EQ(cap.texts(),
              std::vector<std::string>{
                  "Warning:\nValues that could not be read were replaced:\n"
                  "SpillPoint (O3): depth \"-inf\" -> 0 (default)\n"
                  "FlowInlet \"Main wellhead\" (O0): closingtime \"soon\" -> -1 (default)\n"
                  "fluid/fluid_component 2: mole_weight \"inf\" -> 0 (default)"});
    double v = 5;
    EXPECT_EQ(xml_attr_real_checked(spill, "depth", &v), -1);
    EXPECT_EQ(xml_attr_real_checked(spill, "missing", &v), 0);
    EXPECT_EQ(cap.texts().size(), 1u);  // the checked reader reports nothing
}

TEST_F(DiaXml, reals_use_a_point_under_a_comma_locale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "nb_NO.UTF-8", "fr_FR.UTF-8"};
    const char* old = setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    const char* found = nullptr;
    for (const char* n : names)
        if (setlocale(LC_NUMERIC, n)) {
            found = n;
            break;
        }
    if (!found)
        GTEST_SKIP()
            << "no comma-decimal locale installed on this machine (de_DE.UTF-8 and others absent)";
    xml_add_real(xml_new_attribute(root, "r"), 1.5);
    Point p{0.25, 3.5};
    xml_add_point(xml_new_attribute(root, "p"), &p);
    std::string rv = val_of(xml_find_attribute(root, "r")),
                pv = val_of(xml_find_attribute(root, "p"));
    double back = xml_attr_real(root, "r", 0);
    setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(rv, "1.5");
    EXPECT_EQ(pv, "0.25,3.5");
    EXPECT_EQ(back, 1.5);
}

}  // namespace
