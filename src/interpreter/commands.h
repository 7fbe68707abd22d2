// Command handlers of the interpreter's own modules, as the dispatcher
// reaches them.  Each takes the trimmed argument text and returns success.
#pragma once

#include <string_view>

#include "interpreter/store.h"   // cmdDebug
#include "interpreter/values.h"  // cmdSeja, cmdRandomiza

// Control flow.
bool cmdSe(std::string_view args);
bool cmdSenao(std::string_view args);
bool cmdFim(std::string_view args);
bool cmdEnquanto(std::string_view args);
bool cmdRepete(std::string_view args);
bool cmdDesvia(std::string_view args);
bool cmdChama(std::string_view args);
bool cmdRetorna(std::string_view args);
bool cmdTermina(std::string_view args);

// Texts and arithmetic.
bool cmdSoma(std::string_view args);
bool cmdSubtrai(std::string_view args);
bool cmdMultiplica(std::string_view args);
bool cmdDivide(std::string_view args);
bool cmdConcatena(std::string_view args);
bool cmdCopia(std::string_view args);
bool cmdDeleta(std::string_view args);
bool cmdSubstitui(std::string_view args);

// Lists.
bool cmdLista(std::string_view args);
