/*
 * The service facade's shared state and start-up helpers: the one process-wide catalogue
 * handle (m_hDB) that every KaDBSV function forwards with, and the template catalogue
 * copied beside the application when a new catalogue cannot be created.
 */
#pragma once

#include "kavdbmgr.h"

#include <string>

namespace kavdb::frame {

/* The facade's handle; null while no catalogue is open. */
DBHandle* facadeHandle();

/* The directory of the running executable (/proc/self/exe), with a trailing '/';
 * "" when it cannot be found. */
std::string executableDir();
/* Copies dir + "initDBfile.dat" to path; fails (E_FAIL) when path exists or the copy
 * cannot be made. */
HRESULT copyTemplateCatalogue(const std::string& dir, const char* path);

} // namespace kavdb::frame
