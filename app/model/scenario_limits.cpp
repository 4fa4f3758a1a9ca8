#include "scenario_limits.h"

#include "message_ids.h"
#include "release_input.h"
#include "string_table.h"

#include <vexil/diagram_file.h>
#include <vexil/message.h>

#include <QString>

#include <cstring>

namespace {

bool Named(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE && std::strcmp((const char*)node->name, name) == 0;
}

}  // namespace

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
