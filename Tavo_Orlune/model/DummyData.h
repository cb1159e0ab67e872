#pragma once

class ModelContext;

// First-run content, the category layout and the reset of the store. Each works on the
// context it is given (on that context's thread), saves it, and reports failures only in the
// log. seedDummyData, resetCategoryPositions and cleanDatabase run one at a time across threads.

// When the store holds no category: the category "All Tasks" and 28 app shortcuts. A store
// that cannot be read is left alone (it is not taken for an empty one).
void seedDummyData(ModelContext *context);
// Inserts every predefined app shortcut whose name the store lacks.
void refreshPredefinedAppIcons(ModelContext *context);
// Lays every category out in one row, oldest first.
void resetCategoryPositions(ModelContext *context);
// Deletes every category and app shortcut (tasks stay) so that the next seeding starts again.
void cleanDatabase(ModelContext *context);
