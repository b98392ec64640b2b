#pragma once

// The thin layer over the Firebird client library.
namespace db {
} // namespace db
