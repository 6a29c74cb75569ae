#include "terminal/AppState.h"

AppState &appState()
{
    static AppState state;
    return state;
}
