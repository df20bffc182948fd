#pragma once

namespace quarrow {

class ProgramServices;

// "导入数据库": the Access file or ODBC source the settings name copied into the program's
// own store, after which the settings name it (from the next start on).
void runStoreImport(ProgramServices& services);

}  // namespace quarrow
