#include "scenario_limits.h"

#include "message_ids.h"
#include "release_input.h"
#include "string_table.h"

#include <vexil/diagram_file.h>
#include <vexil/message.h>
#include <vexil/network_objects.h>

#include <QString>

#include <cstring>
#include <numeric>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

bool Named(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE && std::strcmp((const char*)node->name, name) == 0;
}

std::string Prop(xmlNodePtr node, const char* name) {
    xmlChar* v = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string s = v ? reinterpret_cast<const char*>(v) : "";
    if (v) xmlFree(v);
    return s;
}

int Root(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

}  // namespace

int LongestBranchInFile(xmlNodePtr root) {
    // The type of each object id (the first holder of an id, as the loader
    // links), and the ids each pipeline's connections go to.
    std::unordered_map<std::string, std::string> types;
    std::vector<std::vector<std::string>> pipeLinks;
    for (xmlNodePtr l = root ? root->children : nullptr; l; l = l->next) {
        if (!Named(l, "layer")) continue;
        for (xmlNodePtr o = l->children; o; o = o->next) {
            if (!Named(o, "object")) continue;
            const std::string type = Prop(o, "type");
            types.emplace(Prop(o, "id"), type);
            if (type != PIPELINE_TYPE) continue;
            std::vector<std::string> to;
            for (xmlNodePtr c = o->children; c; c = c->next) {
                if (!Named(c, "connections")) continue;
                for (xmlNodePtr k = c->children; k; k = k->next)
                    if (Named(k, "connection")) to.push_back(Prop(k, "to"));
                break;  // the loader reads the first only
            }
            pipeLinks.push_back(std::move(to));
        }
    }
    // Pipelines that meet at one PipeJoin lie on one branch.
    std::vector<int> parent(pipeLinks.size());
    std::iota(parent.begin(), parent.end(), 0);
    std::unordered_map<std::string, int> joinPipe;
    for (int p = 0; p < static_cast<int>(pipeLinks.size()); ++p)
        for (const std::string& to : pipeLinks[p]) {
            auto t = types.find(to);
            if (t == types.end() || t->second != PIPE_JOIN_TYPE) continue;
            auto [j, added] = joinPipe.emplace(to, p);
            if (!added) parent[Root(parent, p)] = Root(parent, j->second);
        }
    std::vector<int> count(pipeLinks.size(), 0);
    int longest = 0;
    for (int p = 0; p < static_cast<int>(pipeLinks.size()); ++p)
        longest = std::max(longest, ++count[Root(parent, p)]);
    return longest;
}

int ObjectsInFile(xmlNodePtr root) {
    int objects = 0;
    for (xmlNodePtr l = root ? root->children : nullptr; l; l = l->next) {
        if (!Named(l, "layer")) continue;
        for (xmlNodePtr o = l->children; o; o = o->next)
            if (Named(o, "object")) ++objects;
    }
    return objects;
}

int CheckScenarioFileLimits(xmlNodePtr root, const char* filename) {
    // A branch too long for a run is still a drawing the user may open,
    // mend and save (the network check names the limit); only a file that
    // would exhaust memory is refused.
    const int objects = ObjectsInFile(root);
    if (objects <= MAX_FILE_OBJECTS) return 1;
    const QString text = AfxLoadString(IDS_FILE_TOO_MANY_OBJECTS)
                             .arg(QString::fromUtf8(filename))
                             .arg(objects)
                             .arg(MAX_FILE_OBJECTS);
    message_error("%s", text.toUtf8().constData());
    return 0;
}

void InstallScenarioFileLimits() { diagram_file_set_check(CheckScenarioFileLimits); }
