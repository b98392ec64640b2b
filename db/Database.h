#pragma once

// The thin layer over the Firebird client library: a connection, one
// transaction on it and statements with named parameters and forward result
// sets. Every failure throws DatabaseError with the database's own text.
#include "Connection.h"
#include "Query.h"
#include "Status.h"
#include "Transaction.h"
