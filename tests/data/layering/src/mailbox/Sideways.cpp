// Reaches from mailbox/ into a folder beside and above it, once through a relative path: both refused; its
// own folder and the layers below it are allowed.
#include "Sideways.h"

#include "../cli/ConfigTool.h"
#include "core/form.h"
#include "dispositions/FrmDispositions.h"
#include "monitoring/FrmMonitor.h"
