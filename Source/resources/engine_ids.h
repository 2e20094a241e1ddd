// Identifiers of the engine's own string-table entries (shared by the .rc and the code).
#pragma once

#define IDS_FRAMEADAPTERERROR1 58950
#define IDS_INTERNALSKIN 58963
#define IDS_AVAILSKINS 58964
#define IDS_CLOSE 58976
#define IDS_MAXIMIZE 58977
#define IDS_MINIMIZE 58978
#define IDS_SIZE 58979
#define IDS_MOVE 58980
#define IDS_RESTORE 58981
