#pragma once
// Roles the toolkit cannot guess: the two windows are windows, the colour
// swatch is a button (Space and Enter choose a colour).

void InstallAccessibleRoles();
