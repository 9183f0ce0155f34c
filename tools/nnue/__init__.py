"""A learned evaluation: positions from qorat's self-play and a network trained on them
(README.md, "A learned evaluation", says what each module holds)."""
