// Dialog templates registered by RegisterPageTemplates().
#include "resources/pagetemplates.h"

#include "platform/resources.h"

namespace brelvano {

void RegisterPageTemplates() {}

}  // namespace brelvano
