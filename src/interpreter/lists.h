// Named lists of texts: the table of 20 lists and the LISTA command.
#pragma once

#include <string>
#include <vector>

constexpr int kMaxLists = 20;

struct ListRecord {  // tListaRec
  std::string name;
  std::vector<std::string> items;
};

const ListRecord* findList(const std::string& name);
void resetLists();
