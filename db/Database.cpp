#include "Database.h"
