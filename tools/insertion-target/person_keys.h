#pragma once

// Presses a key on the server's test keyboard and leaves it held, as a person's hand would.
void pressAsAPersonWould(unsigned keycode);
