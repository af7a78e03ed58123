#include "context/Notifier.h"
