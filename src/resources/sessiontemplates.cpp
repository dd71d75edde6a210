// Dialog templates registered by RegisterSessionTemplates().
#include "resources/pagetemplates.h"

#include "platform/resources.h"

namespace brelvano {

void RegisterSessionTemplates() {}

}  // namespace brelvano
