// Registration of the standard object types.
#include "vexil_internal.h"

#include "vexil/object.h"

void register_standard_types()
{
}
