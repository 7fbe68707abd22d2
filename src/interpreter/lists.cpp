// The list table and LISTA.  Owns the 20 list slots; names are compared
// exactly, items of DELETA without regard to letter case.
#include "interpreter/lists.h"

#include <memory>

#include "interpreter/commands.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "speech/speech.h"

static std::unique_ptr<ListRecord> scriptLists[kMaxLists];

void resetLists() {
  for (auto& slot : scriptLists) slot.reset();
}

static ListRecord* findListSlot(const std::string& name) {
  for (auto& slot : scriptLists)
    if (slot && slot->name == name) return slot.get();
  return nullptr;
}

const ListRecord* findList(const std::string& name) { return findListSlot(name); }

// Case folding of the Windows-1252 letters for the locale's case-insensitive
// comparison: ASCII, the accented letters and the few letters of 0x80-0x9F.
static unsigned char foldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
  }
}

static bool sameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  return true;
}

static bool createList(const std::string& name) {
  if (findListSlot(name)) {
    sayLine(ansi("A lista especificada já existe"));
    return false;
  }
  for (auto& slot : scriptLists) {
    if (!slot) {
      slot = std::make_unique<ListRecord>();
      slot->name = name;
      return true;
    }
  }
  sayLine(ansi("Muitas listas no programa (máximo 20)"));
  return false;
}

static bool deleteList(const std::string& name) {
  bool found = false;
  for (auto& slot : scriptLists) {
    if (slot && slot->name == name) {
      slot.reset();
      found = true;
    }
  }
  return found;
}

static bool listItem(ListRecord& list, std::string_view args) {
  std::string indexText;
  int32_t index;
  int slot;
  if (!readValue(args, indexText) || !textToInt(indexText, index) || !readVariable(args, slot)) return false;
  if (index < 0 || index >= static_cast<int32_t>(list.items.size())) return false;
  variable(slot) = list.items[index];
  return true;
}

static bool removeItem(ListRecord& list, std::string_view args) {
  std::string value;
  if (!readValue(args, value)) return false;
  for (auto it = list.items.begin(); it != list.items.end(); ++it) {
    if (sameIgnoringCase(*it, value)) {
      list.items.erase(it);
      return true;
    }
  }
  return false;
}

enum class Sub { Cria, Apaga, Tamanho, Item, Adiciona, Deleta, None };

static Sub readSubcommand(std::string_view& args) {
  static const char* words[] = {"CRIA", "APAGA", "TAMANHO", "ITEM", "ADICIONA", "DELETA"};
  for (int i = 0; i < 6; i++) {
    if (startsUpper(args, words[i])) {
      args.remove_prefix(std::string_view(words[i]).size());
      return static_cast<Sub>(i);
    }
  }
  return Sub::None;
}

static bool onList(Sub sub, ListRecord& list, std::string_view args) {
  int slot;
  std::string value;
  switch (sub) {
    case Sub::Tamanho:
      if (!readVariable(args, slot)) return false;
      variable(slot) = intToText(static_cast<int64_t>(list.items.size()));
      return true;
    case Sub::Item: return listItem(list, args);
    case Sub::Adiciona:
      if (!readValue(args, value)) return false;
      list.items.push_back(value);
      return true;
    default: return removeItem(list, args);
  }
}

bool cmdLista(std::string_view args) {
  std::string name;
  if (!readBracketed(args, name)) return false;
  trimFront(args);
  Sub sub = readSubcommand(args);
  if (sub == Sub::None) return false;
  trimFront(args);
  if (sub == Sub::Cria || sub == Sub::Apaga) {
    if (!args.empty()) return false;
    return sub == Sub::Cria ? createList(name) : deleteList(name);
  }
  ListRecord* list = findListSlot(name);
  return list && onList(sub, *list, args);
}
