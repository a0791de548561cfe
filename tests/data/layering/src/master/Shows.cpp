// Includes Qt outside ui/: refused.
#include <QWidget>

#include "mailbox/FrmMailbox.h"
