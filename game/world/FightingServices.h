#pragma once

// Installs the entity-service hooks that the fighting code answers (combat
// through the CombatSystem while one exists, entity queries and free spots,
// faction relations, skill lists, skill use and the skills' bonuses), keeping
// the other hooks as they are. Called once at start-up and by the tests that
// load data.
void registerFightingServices();
