// The whole Qt-free interface of the diagram library.
#pragma once

#include "vexil/app_settings.h"
#include "vexil/connpoint_line.h"
#include "vexil/dia_xml.h"
#include "vexil/diagram_file.h"
#include "vexil/diagramdata.h"
#include "vexil/element.h"
#include "vexil/geometry.h"
#include "vexil/message.h"
#include "vexil/modify_tool.h"
#include "vexil/network_objects.h"
#include "vexil/object.h"
#include "vexil/renderer.h"
#include "vexil/text.h"
#include "vexil/undo.h"
