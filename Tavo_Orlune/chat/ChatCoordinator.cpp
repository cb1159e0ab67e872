#include "chat/ChatCoordinator.h"

ChatCoordinator::~ChatCoordinator() = default;
