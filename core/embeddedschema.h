#pragma once

namespace kestrovalin {

// The built-in schema script, generated at build time from docs/database_schema.sql (UTF-8).
extern const char* const EMBEDDED_SCHEMA_SQL;

} // namespace kestrovalin
