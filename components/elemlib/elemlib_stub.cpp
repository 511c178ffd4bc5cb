// Placeholder until the element library lands.
