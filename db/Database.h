#pragma once

// The thin layer over the Firebird client library: a connection, one
// transaction on it and statements with named parameters and forward result
// sets. Every failure throws DatabaseError with the database's own text.
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Status.h"
#include "db/Transaction.h"
