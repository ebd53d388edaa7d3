#pragma once

class ClassRecord;

// The event-receiving classes of the server's entity tree, each record held
// in a global that the classes' event code uses.
extern ClassRecord* g_listenerClass;
extern ClassRecord* g_entityClass;
extern ClassRecord* g_sentientClass;
extern ClassRecord* g_actorClass;
extern ClassRecord* g_playerClass;
extern ClassRecord* g_trapClass;

// Registers Listener, Entity, Sentient, Actor, Player and Trap in that order
// with their parents. Registering again updates the records.
void registerGameClasses();
