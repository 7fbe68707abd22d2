// Command handlers of the file and directory commands: channels (ABRE,
// FECHA, CHECA), files (REMOVE, RENOMEIA, REPLICA, TAMARQ), folders (DIR)
// and the directory search (BUSCA).  Each takes the trimmed argument text
// and returns success.
#pragma once

#include <string_view>

bool cmdAbre(std::string_view args);
bool cmdFecha(std::string_view args);
bool cmdCheca(std::string_view args);
bool cmdRemove(std::string_view args);
bool cmdRenomeia(std::string_view args);
bool cmdReplica(std::string_view args);
bool cmdDir(std::string_view args);
bool cmdTamarq(std::string_view args);
bool cmdBusca(std::string_view args);
