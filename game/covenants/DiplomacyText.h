#pragma once

#include <string>
#include <string_view>

class CovenantBase;

// One line of the key's list in the covenant definition's entry, drawn with
// randomInt on stream 0; "" for a null covenant, an empty definition slot, a
// definition without entry or an empty list.
// The client draws from its own stream.
std::string getRandomResponseText(const CovenantBase* covenant, std::string_view key, int stream = 0);

// A line for a diplomacy response ("DiplomacyTextResponse" + the response's
// name + suffix), falling back to the unsuffixed list, behind the response's
// colour code. The shipped lines are text keys, translated where shown.
std::string getDiplomacyResponseText(const CovenantBase* covenant, int response, std::string_view suffix,
                                     int stream = 0);
